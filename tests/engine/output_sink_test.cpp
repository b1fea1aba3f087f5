#include "core/base/exceptions.h"
#include "core/base/stream.h"
#include "core/engine/output_sink.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <random>
#include <unistd.h>

using namespace swapwright;

namespace {

// Records what reaches the device, in the calls it came in.
class RecordingSink final : public OutputSink {
public:
    explicit RecordingSink(std::size_t buffer) : OutputSink(buffer) {}
    std::string device;
    int deliveries = 0;
    int failAfterBytes = -1;

protected:
    void deliver(const char* data, std::size_t n) override {
        if (failAfterBytes >= 0 && device.size() + n > static_cast<std::size_t>(failAfterBytes))
            throw EWriteError("Stream write error: device full");
        device.append(data, n);
        ++deliveries;
    }
};

} // namespace

TEST(OutputSink, TailCanBeOverwrittenAcrossFlushesAndLongBlocks) {
    // Random writes of all sizes with overwrites of the last 1..4 bytes, checked against a
    // plain string doing the same.
    std::mt19937 rng(7);
    RecordingSink sink(64);
    std::string expected;
    for (int step = 0; step < 5000; ++step) {
        const int what = static_cast<int>(rng() % 10);
        if (what < 6) {
            const std::size_t n = rng() % (what == 0 ? 300 : 20);
            std::string block(n, '\0');
            for (auto& c : block)
                c = static_cast<char>('a' + rng() % 26);
            sink.write(block);
            expected += block;
        } else if (what < 9 && !expected.empty()) {
            const std::size_t n = 1 + rng() % std::min<std::size_t>(4, expected.size());
            const std::string bytes(n, static_cast<char>('0' + step % 10));
            sink.overwriteTail(bytes.data(), n);
            expected.replace(expected.size() - n, n, bytes);
        } else {
            sink.flush();
            // Everything but the last four bytes has reached the device, and it is final.
            ASSERT_LE(expected.size(), sink.device.size() + 4);
            ASSERT_EQ(sink.device, expected.substr(0, sink.device.size()));
        }
        ASSERT_EQ(sink.size(), expected.size());
    }
    sink.finish();
    EXPECT_EQ(sink.device, expected);
}

TEST(OutputSink, HoldsBackOnlyTheTailAndRefusesToReachFurther) {
    RecordingSink sink(64);
    sink.write(std::string(1000, 'x')); // a long block goes through directly
    EXPECT_EQ(sink.device.size(), 996u);
    EXPECT_THROW(sink.overwriteTail("12345", 5), EAssertionFailed);
    sink.finish();
    EXPECT_EQ(sink.device.size(), 1000u);
    EXPECT_THROW(sink.overwriteTail("1", 1), EAssertionFailed); // handed over already
    sink.write("ab");
    sink.overwriteTail("Z", 1);
    sink.finish();
    EXPECT_EQ(sink.device, std::string(1000, 'x') + "aZ");
}

TEST(OutputSink, DeviceFailureReachesTheCaller) {
    RecordingSink sink(64);
    sink.failAfterBytes = 100;
    sink.write(std::string(50, 'a'));
    EXPECT_THROW(sink.write(std::string(200, 'b')), EWriteError);
}

TEST(OutputSink, FileDescriptorAndStreamForms) {
    test::TempDir dir;
    const std::string name = dir.path("out.bin");
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    {
        FileDescriptorSink sink(fd, name, 128);
        for (int i = 0; i < 100; ++i)
            sink.write("0123456789");
        sink.overwriteTail("AB", 2);
        sink.finish();
    }
    ::close(fd);
    std::string expected;
    for (int i = 0; i < 100; ++i)
        expected += "0123456789";
    expected.replace(998, 2, "AB");
    EXPECT_EQ(test::readFile(name), expected);

    MemoryStream stream;
    StreamSink viaStream(stream, 64);
    viaStream.write("hello world");
    viaStream.overwriteTail("D!", 2);
    viaStream.finish();
    EXPECT_EQ(stream.bytes(), "hello worD!");
}
