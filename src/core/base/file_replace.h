#pragma once

#include "core/base/exceptions.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
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

// A temporary file named as by MakeTempFileName and created exclusively: never through an
// existing file or link of that name. The counter goes on from the last name this process made
// (it starts from the clock), so many files made in a row do not step past each other's names.
struct TTempFile {
    std::string Name;
    int Descriptor = -1;
};
// Raises EFCreateError (naming the temporary file) when the folder does not allow it.
TTempFile CreateTempFile(std::string_view directory, std::string_view prefix, std::string_view extension);

} // namespace swapwright

namespace swapwright::files {

// A file changed by someone else between two looks at it.
class EFileChanged : public EInOutError {
public:
    using EInOutError::EInOutError;
    const char* className() const noexcept override { return "EFileChanged"; }
};

// What identifies one state of a file: when any part differs, the file is not the one that was
// read (it was written, truncated, appended to, or another file took its name).
struct FileFingerprint {
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    struct timespec Modified {};
    struct timespec Changed {};

    static FileFingerprint of(const struct stat& st) noexcept;
    bool matches(const struct stat& st) const noexcept;
};

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

// A folder opened for the files in it: names in it are looked up from the folder, one
// component each time, not from the root.
struct OpenFolder {
    std::string Name;          // as given ("." for the current folder)
    FileDescriptor Descriptor; // only for looking names up in it
    gid_t NewFileGroup = 0;    // the group a new file in it gets
};

// The folders one job (a run) works in, each opened once while the job goes through its files
// (the last one is kept). A folder that is renamed meanwhile is still the one its files are in.
class FolderCache {
public:
    // The folder opened now or the last time it was asked for; null when it cannot be opened
    // (the names are then looked up whole, and their own failures say why).
    std::shared_ptr<const OpenFolder> open(const std::string& name);

private:
    std::shared_ptr<const OpenFolder> m_last;
};

// The whole content of a file in one block of its size (not zero-filled first).
class FileContent {
public:
    FileContent() = default;
    explicit FileContent(std::size_t size);
    char* data() noexcept { return m_bytes.get(); }
    std::size_t size() const noexcept { return m_size; }
    std::string_view view() const noexcept { return {m_bytes.get(), m_size}; }
    void release() noexcept;

private:
    std::unique_ptr<char[]> m_bytes;
    std::size_t m_size = 0;
};

// A regular file opened for reading. A FIFO, device, socket or folder is never read: opening
// does not wait for a writer, and what is not a regular file is refused ("... is not a regular
// file").
class FileReader {
public:
    // Raises EFOpenError ("Cannot open file ...") when the file cannot be opened or is not a
    // regular file.
    explicit FileReader(const std::string& fileName);
    // nullopt when no file of that name exists; any other failure as above.
    static std::optional<FileReader> openIfExists(const std::string& fileName);
    // The file a name stands for, to be replaced: the name itself, or where the name is a
    // symbolic link, the file it leads to (resolved only then). Failures as above, with the
    // given name. With `folders`, the file's folder is opened through it and the file's name
    // looked up from there, now and for the checks and the replacement.
    static FileReader openTarget(const std::string& fileName, FolderCache* folders = nullptr);
    FileReader(FileReader&&) noexcept = default;
    FileReader& operator=(FileReader&&) noexcept = default;

    // The name as given, and the path of the file opened (a link's target).
    const std::string& name() const noexcept { return m_fileName; }
    const std::string& path() const noexcept { return m_path; }
    // The file's status when it was opened (or locked).
    const struct stat& status() const noexcept { return m_status; }
    const FileFingerprint& fingerprint() const noexcept { return m_fingerprint; }
    int descriptor() const noexcept { return m_fd.get(); }
    // The open folder the file's name is looked up from (null: the path is looked up whole),
    // and that name (the path itself without a folder).
    const std::shared_ptr<const OpenFolder>& folder() const noexcept { return m_folder; }
    const std::string& nameInFolder() const noexcept { return m_folder ? m_nameInFolder : m_path; }

    // Up to n bytes from the current position; 0 at the end. EFOpenError on a read failure.
    std::size_t read(char* buffer, std::size_t n);
    // Exactly n bytes at the offset, without moving the position; false when they are not all there.
    bool readAt(std::uint64_t offset, std::size_t n, char* out) noexcept;
    // Everything from the current position to the end, appended.
    void readRest(std::string& bytes);
    // The whole file from its start, exactly as many bytes as its size when it was opened: a file
    // that reads shorter or longer raises EFileChanged. std::bad_alloc when memory runs out.
    FileContent readContent();

    // The advisory lock that runs of this program hold on a file from opening it until its
    // replacement: true when it was free and is now held. Other programs are not kept out.
    bool tryLock();
    // Waits for the lock until `timeout` has passed, calling `keepWaiting` about every 10 ms
    // (false gives up). When the lock came after a wait, the name may by then stand for a new
    // file (the other run replaced it): the new file is opened and locked instead, and the
    // status taken again. False when the lock was not had.
    bool waitForLock(std::chrono::milliseconds timeout, const std::function<bool()>& keepWaiting);

    // Raise EFileChanged ("... was changed by another program during the run; it was left as
    // it is") when the open file (one fstat) or the name (one stat of the path: the name may
    // now stand for another file) differs from the fingerprint.
    void checkOpenFileUnchanged() const;
    void checkNameUnchanged() const;
    [[noreturn]] void failChanged() const;

    // Closes the file (and so gives up its lock).
    void close() noexcept { m_fd.reset(); }

private:
    FileReader() = default;
    // Where the file is: its path and, with `folders`, its open folder and name in it.
    void locate(const std::string& path, FolderCache* folders);
    // 0, or the errno of the failing open (the reader stays closed), or kNotRegularFile.
    int open(bool followLinks);
    [[noreturn]] void failOpen(int err) const;
    int folderDescriptor() const noexcept;

    std::string m_fileName;
    std::string m_path;
    std::shared_ptr<const OpenFolder> m_folder;
    std::string m_nameInFolder;
    FileDescriptor m_fd;
    struct stat m_status {};
    FileFingerprint m_fingerprint;
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

// How the new content takes the target's place.
struct CommitOptions {
    // The file read for the new content: just before the rename its name must still stand for
    // that file, unchanged (one stat), else EFileChanged and nothing is touched.
    const FileReader* Source = nullptr;
    // Where the target's current content is kept (empty: no backup). The content is linked (or
    // copied) to a temporary name beside the backup first and moved onto the backup name only
    // after the new content has taken the target's place, so a failed replacement keeps an
    // older backup as it was. A backup name in a folder that does not exist gives no backup.
    std::string Backup;
    // Where the target's current content is also kept, to take the replacement back (empty:
    // nowhere): a name not yet taken, given the content just before the rename (see
    // keepContentAs). When that fails, the target is left as it is.
    std::string Keep = {};
    // An open descriptor of the folder Keep is in (-1: none), so that Keep is found from there.
    int KeepFolder = -1;
};

// A new content for a file: written through a descriptor into a temporary file beside the
// target (named by MakeTempFileName with "~Wq" and "TMP", created exclusively), then given the
// target's permission bits, owner (where allowed), extended attributes and ACLs, optionally
// flushed, and put in the target's place by one rename. An existing target that is not a
// regular file is refused (a folder, a device). Until commit() the target is untouched; a
// replacement that is dropped removes its temporary file, so a failure leaves nothing behind.
class FileReplacement {
public:
    explicit FileReplacement(const std::string& fileName, const ReplaceOptions& options = {});
    // The replacement of a file opened for it: its path, status and attributes are taken from
    // the open file, without looking the name up again.
    FileReplacement(const FileReader& source, const ReplaceOptions& options);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // The file that gets the new content (a link's target when links are followed).
    const std::string& target() const noexcept { return m_target; }
    const std::string& temporaryName() const noexcept { return m_temporary; }
    // Open until commit() (also after finishWriting(), for a flush the caller makes).
    int descriptor() const noexcept { return m_fd.get(); }
    bool targetExisted() const noexcept { return m_existed; }

    // All bytes at the descriptor's position.
    void write(std::string_view bytes);
    // The content is complete: owner, permissions and attributes set, flushed where the options
    // ask. Nothing may be written afterwards.
    void finishWriting();
    // Flushes the content now (for a caller that flushes a group of files its own way and
    // needs the result of one of them).
    void flush();
    // The new content takes the target's place (finishing the writing first when needed).
    void commit(const CommitOptions& options = {});

private:
    void create(const std::string& folder);
    int folderDescriptor() const noexcept;
    void copyAttributes();
    [[noreturn]] void fail(std::string_view stepMessage, const std::string& name, int error) const;

    std::string m_given;
    std::string m_target;
    std::string m_temporary;
    FileDescriptor m_fd;
    ReplaceOptions m_options;
    struct stat m_model {};
    FileDescriptor m_ownSource;            // the target opened by name, for its attributes
    int m_sourceFd = -1;                   // the target's content, open (-1: a new file)
    std::shared_ptr<const OpenFolder> m_folder; // where the two names below are looked up (null: whole)
    std::string m_targetInFolder;
    std::string m_temporaryInFolder;
    mode_t m_createdMode = 0;
    bool m_existed = false;
    bool m_finished = false;
};

// The target replaced by the bytes, as FileReplacement does it. By default every failure is
// "Cannot create file" with the given name (EFCreateError), links are followed, the content
// and the rename are flushed, missing folders are made and a read-only file is refused.
void writeFileAtomically(const std::string& fileName, std::string_view bytes);
void writeFileAtomically(const std::string& fileName, std::string_view bytes, const ReplaceOptions& options);

} // namespace swapwright::files
