#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace swapwright {

class Stream;

// The destination of a substitution pass: written strictly sequentially, buffered, and able
// to overwrite its last few bytes (the length in front of a replaced string) at any time,
// also after a flush. To allow that on devices that cannot seek (pipes, a terminal), the last
// kMaxRewrite bytes always stay in the buffer until finish().
//
// A failing device raises EWriteError from the call that hands the bytes over (write, flush or
// finish); nothing is swallowed.
class OutputSink {
public:
    static constexpr std::size_t kMaxRewrite = 4;

    virtual ~OutputSink() = default;
    OutputSink(const OutputSink&) = delete;
    OutputSink& operator=(const OutputSink&) = delete;

    void write(const void* data, std::size_t n);
    void write(std::string_view bytes) { write(bytes.data(), bytes.size()); }
    // Replaces the last n bytes written (n <= kMaxRewrite and n <= size()); a larger n is a
    // programming fault and raises EAssertionFailed.
    void overwriteTail(const void* data, std::size_t n);
    // Bytes written so far, including those still buffered.
    std::uint64_t size() const noexcept { return m_delivered + m_used; }
    // Hands every byte but the last kMaxRewrite to the device.
    void flush();
    // Hands everything to the device. The tail can no longer be overwritten afterwards; further
    // writes are allowed.
    void finish();

protected:
    explicit OutputSink(std::size_t bufferSize);
    // Writes all n bytes to the device or raises EWriteError.
    virtual void deliver(const char* data, std::size_t n) = 0;

private:
    void deliverHead(std::size_t keep);

    std::unique_ptr<char[]> m_buffer;
    std::size_t m_capacity;
    std::size_t m_used = 0;
    std::uint64_t m_delivered = 0;
};

// Collects the output in memory (tests, small files).
class StringSink final : public OutputSink {
public:
    StringSink() : OutputSink(1 << 14) {}
    // Everything written so far (finishes the sink).
    const std::string& bytes() {
        finish();
        return m_bytes;
    }

protected:
    void deliver(const char* data, std::size_t n) override { m_bytes.append(data, n); }

private:
    std::string m_bytes;
};

// Hears, in order, the bytes a sink has handed to its device.
class IDeliveredBytes {
public:
    virtual ~IDeliveredBytes() = default;
    virtual void delivered(const char* data, std::size_t n) = 0;
};

// Writes to an open file descriptor at its current offset with write(2); works on regular
// files, pipes and terminals alike. The descriptor stays owned by the caller. `name` only
// serves the error messages ("Stream write error: <name>: <reason>"). `heard` (may be null)
// hears each piece once it is written.
class FileDescriptorSink final : public OutputSink {
public:
    explicit FileDescriptorSink(int fd, std::string name = {}, std::size_t bufferSize = 1 << 18,
                                IDeliveredBytes* heard = nullptr)
        : OutputSink(bufferSize), m_fd(fd), m_name(std::move(name)), m_heard(heard) {}

protected:
    void deliver(const char* data, std::size_t n) override;

private:
    int m_fd;
    std::string m_name;
    IDeliveredBytes* m_heard;
};

// Writes through a Stream at its position (for instance a FileStream that the caller created).
class StreamSink final : public OutputSink {
public:
    explicit StreamSink(Stream& stream, std::size_t bufferSize = 1 << 18) : OutputSink(bufferSize), m_stream(stream) {}

protected:
    void deliver(const char* data, std::size_t n) override;

private:
    Stream& m_stream;
};

} // namespace swapwright
