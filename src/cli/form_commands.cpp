// form-to-text and form-to-resource: one form file through one conversion. The output is written
// as it is made into a temporary file beside OUTPUT, renamed over it only when the conversion
// succeeded, so a large form never has to fit in memory as text. Every message names its file.
#include "cli/commands.h"

#include "core/base/exceptions.h"
#include "core/base/files.h"
#include "core/base/stream.h"
#include "core/formfile/form_conversion.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace swapwright::cli {

namespace {

// A fresh temporary file in OUTPUT's folder that becomes OUTPUT on commit() and is removed
// otherwise. Its write failures name OUTPUT.
class OutputFile final : public Stream {
public:
    explicit OutputFile(std::string name) : m_name(std::move(name)) {
        const std::string_view dir = files::directoryOf(m_name);
        m_temp = (dir.empty() ? std::string(".") : std::string(dir)) + "/.swapwright-XXXXXX";
        const int fd = ::mkstemp(m_temp.data());
        if (fd < 0)
            throw EFCreateError(files::createErrorMessage(m_name, errno));
        // mkstemp makes the file private; give it the permissions a newly created file gets.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        m_file.emplace(fd, m_temp);
    }
    ~OutputFile() override {
        if (m_file) {
            m_file.reset();
            ::unlink(m_temp.c_str());
        }
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::size_t read(void*, std::size_t) override { return 0; }
    void write(const void* buffer, std::size_t n) override {
        try {
            m_file->write(buffer, n);
        } catch (const Exception& e) {
            m_failed = true;
            throw EWriteError(m_name + ": " + e.what());
        }
    }
    bool failed() const noexcept { return m_failed; }
    using Stream::write;
    std::int64_t position() const override { return m_file->position(); }
    void setPosition(std::int64_t position) override { m_file->setPosition(position); }
    std::int64_t size() const override { return m_file->size(); }

    void commit() {
        const int fd = ::dup(m_file->descriptor());
        m_file.reset(); // closes one descriptor; the close that can report a failure comes next
        const bool closed = fd >= 0 && ::close(fd) == 0;
        const int error = errno;
        if (!closed) {
            ::unlink(m_temp.c_str());
            throw EWriteError(m_name + ": " + std::string(kStreamWriteError) + ": " + std::strerror(error));
        }
        if (::rename(m_temp.c_str(), m_name.c_str()) != 0) {
            const int renameError = errno;
            ::unlink(m_temp.c_str());
            throw EFCreateError(files::createErrorMessage(m_name, renameError));
        }
    }

private:
    std::string m_name;
    std::string m_temp;
    std::optional<FileStream> m_file;
    bool m_failed = false;
};

int convertFile(int argc, char** argv, void (*convert)(Stream&, Stream&)) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: swapwright-cli %s INPUT OUTPUT\n", argv[0]);
        return 2;
    }
    const std::string inputName = argv[1];
    const std::string outputName = argv[2];
    const auto fail = [&](const std::string& message) {
        std::fprintf(stderr, "swapwright-cli %s: %s\n", argv[0], message.c_str());
        return 1;
    };
    try {
        FileStream input(inputName, FileStream::Mode::OpenRead);
        OutputFile output(outputName);
        try {
            convert(input, output);
        } catch (const std::exception& e) {
            // The output's own failures name it already; the rest belong to the input.
            return fail(output.failed() ? std::string(e.what()) : inputName + ": " + e.what());
        }
        output.commit();
    } catch (const std::exception& e) {
        return fail(e.what()); // opening INPUT, creating or writing OUTPUT: the message names it
    }
    return 0;
}

void detectAndConvertToText(Stream& input, Stream& output) {
    TStoredFormat format = fmtUnknown;
    ObjectResourceToText(input, output, format);
}

} // namespace

int formToText(int argc, char** argv) { return convertFile(argc, argv, detectAndConvertToText); }

int formToResource(int argc, char** argv) { return convertFile(argc, argv, ObjectTextToResource); }

} // namespace swapwright::cli
