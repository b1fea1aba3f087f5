#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

// Reading a file whole and replacing a file so that its name never points to half a file: the
// one place where the program writes the files it keeps or changes.
namespace swapwright {

// "<D>/<P><counter>.<E>": D without trailing separators (the system's temporary folder when
// empty), P cut to 3 characters, the counter the milliseconds since system start masked to
// 32 - 4 * len(P) bits in upper-case hexadecimal, E without leading and trailing dots. The
// counter goes up while an entry of that name exists.
std::string MakeTempFileName(std::string_view directory, std::string_view prefix, std::string_view extension,
                             unsigned startCounter);
std::string MakeTempFileName(std::string_view directory, std::string_view prefix, std::string_view extension);

// A temporary file made with MakeTempFileName and created exclusively: never through an
// existing file or link of that name.
struct TTempFile {
    std::string Name;
    int Descriptor = -1;
};
// Raises EFCreateError (naming the temporary file) when the folder does not allow it.
TTempFile CreateTempFile(std::string_view directory, std::string_view prefix, std::string_view extension);

} // namespace swapwright

namespace swapwright::files {

// An open descriptor, closed with its owner.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) noexcept : m_fd(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const noexcept { return m_fd; }
    explicit operator bool() const noexcept { return m_fd >= 0; }
    int release() noexcept;
    void reset() noexcept;
    // Closes now; the errno of a failing close, else 0.
    int close() noexcept;

private:
    int m_fd = -1;
};

// A regular file opened for reading. A FIFO or device is never read (opening does not wait for
// a writer); a folder counts as unreadable.
class FileReader {
public:
    // Raises EFOpenError ("Cannot open file ...") when the file cannot be opened or is not a
    // regular file.
    explicit FileReader(const std::string& fileName);
    // nullopt when no file of that name exists; any other failure as above.
    static std::optional<FileReader> openIfExists(const std::string& fileName);
    FileReader(FileReader&&) noexcept = default;
    FileReader& operator=(FileReader&&) noexcept = default;

    const struct stat& status() const noexcept { return m_status; }
    int descriptor() const noexcept { return m_fd.get(); }
    // Up to n bytes from the current position; 0 at the end. EFOpenError on a read failure.
    std::size_t read(char* buffer, std::size_t n);
    // Exactly n bytes at the offset, without moving the position; false when they are not all there.
    bool readAt(std::uint64_t offset, std::size_t n, char* out) noexcept;
    // Everything from the current position to the end, appended.
    void readRest(std::string& bytes);

private:
    FileReader() = default;
    // 0, or the errno of the failing open (the reader stays closed).
    int open(const std::string& fileName);

    std::string m_fileName;
    FileDescriptor m_fd;
    struct stat m_status {};
};

// The whole content of a file; raises EFOpenError when it cannot be opened or read.
std::string readWholeFile(const std::string& fileName);

// How failures of a replacement are worded.
enum class ReplaceMessages {
    EachStep, // each step names the file it works on: the temporary file or the target
    Target,   // every failure is "Cannot create file" with the name the caller gave
};

struct ReplaceOptions {
    bool FollowLinks = true;     // a symbolic link stays a link: the file it points to gets the content
    bool Flush = true;           // the new content reaches the disk before the rename
    bool FlushFolder = false;    // and the rename itself after it
    bool CreateFolders = false;  // missing folders of the target are made (private to the user)
    bool RefuseReadOnly = false; // an existing file that may not be written is refused
    ReplaceMessages Messages = ReplaceMessages::EachStep;
};

// A new content for a file: written through a descriptor into a temporary file beside the
// target (named by MakeTempFileName with "~Wq" and "TMP", created exclusively), then given the
// target's permission bits and, where allowed, its owner, optionally flushed, and put in the
// target's place by one rename. An existing target that is not a regular file is refused (a
// folder, a device). Until commit() the target is untouched; a replacement that is dropped
// removes its temporary file, so a failure leaves nothing behind.
class FileReplacement {
public:
    explicit FileReplacement(const std::string& fileName, const ReplaceOptions& options = {});
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // The file that gets the new content (a link's target when links are followed).
    const std::string& target() const noexcept { return m_target; }
    const std::string& temporaryName() const noexcept { return m_temporary; }
    int descriptor() const noexcept { return m_fd.get(); }
    bool targetExisted() const noexcept { return m_existed; }

    // All bytes at the descriptor's position.
    void write(std::string_view bytes);
    // The content is complete: permissions, flush, close. Nothing may be written afterwards.
    void finishWriting();
    // The new content takes the target's place (finishing the writing first when needed).
    void commit();

private:
    [[noreturn]] void fail(std::string_view stepMessage, const std::string& name, int error) const;

    std::string m_given;
    std::string m_target;
    std::string m_temporary;
    FileDescriptor m_fd;
    ReplaceOptions m_options;
    bool m_existed = false;
    bool m_finished = false;
};

// The target replaced by the bytes, as FileReplacement does it. By default every failure is
// "Cannot create file" with the given name (EFCreateError), links are followed, the content
// and the rename are flushed, missing folders are made and a read-only file is refused.
void writeFileAtomically(const std::string& fileName, std::string_view bytes);
void writeFileAtomically(const std::string& fileName, std::string_view bytes, const ReplaceOptions& options);

} // namespace swapwright::files
