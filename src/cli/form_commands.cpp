// form-to-text and form-to-resource: one form file through one conversion. The output is made
// under a temporary name beside OUTPUT and renamed over it only when the conversion succeeded.
#include "cli/commands.h"

#include "core/base/exceptions.h"
#include "core/base/files.h"
#include "core/base/stream.h"
#include "core/formfile/form_conversion.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace swapwright::cli {

namespace {

// Writes bytes to a fresh temporary file in OUTPUT's folder and renames it to OUTPUT.
void writeFileReplacing(const std::string& outputName, const std::string& bytes) {
    const std::string_view dir = files::directoryOf(outputName);
    std::string temp = (dir.empty() ? std::string(".") : std::string(dir)) + "/.swapwright-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        throw EFCreateError(files::createErrorMessage(outputName, errno));
    bool done = false;
    try {
        // mkstemp makes the file private; give it the permissions a newly created file gets.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        std::size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t r = ::write(fd, bytes.data() + written, bytes.size() - written);
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                throw EWriteError(std::string(kStreamWriteError) + ": " + std::strerror(r < 0 ? errno : ENOSPC));
            written += static_cast<std::size_t>(r);
        }
        if (::close(fd) != 0)
            throw EWriteError(std::string(kStreamWriteError) + ": " + std::strerror(errno));
        if (::rename(temp.c_str(), outputName.c_str()) != 0)
            throw EFCreateError(files::createErrorMessage(outputName, errno));
        done = true;
    } catch (...) {
        if (!done) {
            ::close(fd);
            ::unlink(temp.c_str());
        }
        throw;
    }
}

int convertFile(int argc, char** argv, void (*convert)(Stream&, Stream&)) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: swapwright-cli %s INPUT OUTPUT\n", argv[0]);
        return 2;
    }
    try {
        MemoryStream output;
        {
            FileStream input(argv[1], FileStream::Mode::OpenRead);
            convert(input, output);
        }
        writeFileReplacing(argv[2], output.bytes());
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
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
