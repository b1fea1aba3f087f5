#include "core/base/file_replace.h"

#include "core/base/file_ops.h"
#include "core/base/files.h"
#include "core/base/text.h"

#include <attr/error_context.h>
#include <attr/libattr.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

namespace swapwright {

namespace {

constexpr std::string_view kTempPrefix = "~Wq";
constexpr std::string_view kTempExtension = "TMP";

std::string temporaryFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

// The folder without its trailing separators; the root stays the root.
std::string trimFolder(std::string_view directory) {
    std::string d(directory.empty() ? std::string_view(temporaryFolder()) : directory);
    while (d.size() > 1 && d.back() == files::kPathSeparator)
        d.pop_back();
    return d;
}

std::string formatTempName(const std::string& folder, std::string_view prefix, unsigned counter,
                           std::string_view extension) {
    const std::string separator = folder.back() == files::kPathSeparator ? "" : "/";
    return text::format("%s%s%s%x.%s", folder, separator, prefix, counter, extension);
}

unsigned counterMask(std::string_view prefix) {
    return prefix.size() * 4 >= 32 ? 0u : 0xFFFFFFFFu >> (4 * prefix.size());
}

// The counter of the next temporary name: it starts from the clock and goes on from the last
// name this process made.
unsigned nextTempCounter() {
    static std::atomic<unsigned> counter{files::millisecondsSinceStart()};
    return counter.fetch_add(1, std::memory_order_relaxed);
}

// 0, or the errno of the failure with the name that failed in `temp.Name`. The file is made
// in `folderFd` when one is given (its name there in `nameInFolder`), else by its whole name.
int tryCreateTempFile(std::string_view directory, std::string_view prefix, std::string_view extension, mode_t mode,
                      TTempFile& temp, int folderFd = AT_FDCWD, std::string* nameInFolder = nullptr) {
    const std::string folder = trimFolder(directory);
    const std::string separator = folder.back() == files::kPathSeparator ? "" : "/";
    prefix = prefix.substr(0, 3);
    extension = text::trim(extension, ".");
    const unsigned mask = counterMask(prefix);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        // No test for the name first: the exclusive creation is the test.
        const std::string name = text::format("%s%x.%s", prefix, nextTempCounter() & mask, extension);
        temp.Name = folder + separator + name;
        temp.Descriptor = folderFd == AT_FDCWD ? files::createExclusive(temp.Name, mode)
                                               : files::createExclusiveAt(folderFd, name.c_str(), mode);
        if (temp.Descriptor >= 0) {
            if (nameInFolder != nullptr)
                *nameInFolder = name;
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    temp.Name = folder;
    return EEXIST;
}

} // namespace

std::string MakeTempFileName(std::string_view directory, std::string_view prefix, std::string_view extension,
                             unsigned startCounter) {
    const std::string folder = trimFolder(directory);
    prefix = prefix.substr(0, 3);
    extension = text::trim(extension, ".");
    unsigned counter = startCounter & counterMask(prefix);
    std::string name = formatTempName(folder, prefix, counter, extension);
    while (files::entryExists(name))
        name = formatTempName(folder, prefix, ++counter, extension);
    return name;
}

std::string MakeTempFileName(std::string_view directory, std::string_view prefix, std::string_view extension) {
    return MakeTempFileName(directory, prefix, extension, files::millisecondsSinceStart());
}

TTempFile CreateTempFile(std::string_view directory, std::string_view prefix, std::string_view extension) {
    TTempFile temp;
    if (const int err = tryCreateTempFile(directory, prefix, extension, 0600, temp); err != 0)
        throw EFCreateError(files::createErrorMessage(temp.Name, err));
    return temp;
}

} // namespace swapwright

namespace swapwright::files {

namespace {

constexpr int kNotRegularFile = -1; // an open "error": the entry is no regular file

// Where the content of a name goes: every link resolved; a dangling link's destination; the
// name itself when it does not exist yet.
std::string resolvedTarget(const std::string& fileName) {
    char resolved[PATH_MAX];
    if (::realpath(fileName.c_str(), resolved) != nullptr)
        return resolved;
    struct stat st {};
    if (::lstat(fileName.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return fileName;
    char target[PATH_MAX];
    const auto n = ::readlink(fileName.c_str(), target, sizeof target - 1);
    if (n <= 0)
        return fileName;
    std::string t(target, static_cast<std::size_t>(n));
    if (t.front() != kPathSeparator) {
        const std::string folder(directoryOf(fileName));
        t = (folder.empty() ? std::string(".") : folder) + "/" + t;
    }
    return t;
}

int createFolders(const std::string& folder) {
    if (folder.empty() || directoryExists(folder))
        return 0;
    if (const int err = createFolders(std::string(directoryOf(folder))); err != 0)
        return err;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST ? 0 : errno;
}

bool sameTime(const struct timespec& a, const struct timespec& b) noexcept {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The group a new file in `folder` gets: the folder's own in a set-group-id folder, else the
// process's. The last folder asked about is remembered (a run goes through folder after folder).
gid_t newFileGroup(const std::string& folder) {
    thread_local std::string lastFolder;
    thread_local gid_t lastGroup = 0;
    if (folder != lastFolder || lastFolder.empty()) {
        struct stat st {};
        lastGroup = ::stat(folder.c_str(), &st) == 0 && (st.st_mode & S_ISGID) != 0 ? st.st_gid : ::getegid();
        lastFolder = folder;
    }
    return lastGroup;
}

// Every extended attribute is kept, ACLs included (the system's list only marks them as
// permissions), except those the system's list says to skip.
int keepAttribute(const char* name, struct error_context*) {
    const int action = attr_copy_action(name, nullptr);
    return action == 0 || action == ATTR_ACTION_PERMISSIONS;
}

// Keeps the errno of the first failure libattr reports.
struct AttributeErrors {
    struct error_context context;
    int error = 0;
};

void noteAttributeError(struct error_context* context, const char*, ...) {
    auto* errors = reinterpret_cast<AttributeErrors*>(context);
    if (errors->error == 0)
        errors->error = errno != 0 ? errno : EIO;
}

} // namespace

// --- fingerprints and descriptors ------------------------------------------------------------

FileFingerprint FileFingerprint::of(const struct stat& st) noexcept {
    FileFingerprint f;
    f.Device = st.st_dev;
    f.Inode = st.st_ino;
    f.Size = st.st_size;
    f.Modified = st.st_mtim;
    f.Changed = st.st_ctim;
    return f;
}

bool FileFingerprint::matches(const struct stat& st) const noexcept {
    return st.st_dev == Device && st.st_ino == Inode && st.st_size == Size && sameTime(st.st_mtim, Modified) &&
           sameTime(st.st_ctim, Changed);
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        reset();
        m_fd = other.release();
    }
    return *this;
}

int FileDescriptor::release() noexcept {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void FileDescriptor::reset() noexcept { (void)close(); }

int FileDescriptor::close() noexcept {
    if (m_fd < 0)
        return 0;
    const int result = ::close(release());
    return result == 0 ? 0 : errno;
}

FileContent::FileContent(std::size_t size)
    : m_bytes(std::make_unique_for_overwrite<char[]>(size + 1)), m_size(size) {}

void FileContent::release() noexcept {
    m_bytes.reset();
    m_size = 0;
}

// --- folders -------------------------------------------------------------------------------

std::shared_ptr<const OpenFolder> FolderCache::open(const std::string& name) {
    if (m_last && m_last->Name == name)
        return m_last;
    auto folder = std::make_shared<OpenFolder>();
    folder->Name = name;
    folder->Descriptor = FileDescriptor(::open(name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder->Descriptor)
        return nullptr;
    struct stat st {};
    const bool setGroup = ::fstat(folder->Descriptor.get(), &st) == 0 && (st.st_mode & S_ISGID) != 0;
    folder->NewFileGroup = setGroup ? st.st_gid : ::getegid();
    m_last = folder;
    return m_last;
}

// --- reading ---------------------------------------------------------------------------------

void FileReader::locate(const std::string& path, FolderCache* folders) {
    m_path = path;
    m_folder.reset();
    m_nameInFolder.clear();
    const std::string_view name = nameOf(path);
    if (folders == nullptr || name.empty() || name == "." || name == "..")
        return;
    const std::string_view folder = directoryOf(path);
    m_folder = folders->open(folder.empty() ? std::string(".") : std::string(folder));
    if (m_folder)
        m_nameInFolder = name;
}

int FileReader::folderDescriptor() const noexcept { return m_folder ? m_folder->Descriptor.get() : AT_FDCWD; }

int FileReader::open(bool followLinks) {
    m_fd.reset();
    // Without waiting: a FIFO opened for reading would block until someone writes.
    const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW);
    FileDescriptor fd(::openat(folderDescriptor(), nameInFolder().c_str(), flags));
    if (!fd) {
        const int err = errno;
        // A socket or a device without a driver cannot be opened at all: say what it is.
        struct stat st {};
        if ((err == ENXIO || err == ENODEV || err == EOPNOTSUPP) &&
            ::fstatat(folderDescriptor(), nameInFolder().c_str(), &st, 0) == 0 && !S_ISREG(st.st_mode))
            return kNotRegularFile;
        return err;
    }
    if (::fstat(fd.get(), &m_status) != 0)
        return errno;
    if (!S_ISREG(m_status.st_mode))
        return kNotRegularFile;
    m_fingerprint = FileFingerprint::of(m_status);
    m_fd = std::move(fd);
    return 0;
}

void FileReader::failOpen(int err) const {
    if (err == kNotRegularFile)
        throw EFOpenError("\"" + m_fileName + "\" is not a regular file");
    throw EFOpenError(openErrorMessage(m_fileName, err));
}

void FileReader::failChanged() const {
    throw EFileChanged("\"" + m_fileName + "\" was changed by another program during the run; it was left as it is");
}

FileReader::FileReader(const std::string& fileName) {
    m_fileName = fileName;
    locate(fileName, nullptr);
    if (const int err = open(true); err != 0)
        failOpen(err);
}

std::optional<FileReader> FileReader::openIfExists(const std::string& fileName) {
    FileReader reader;
    reader.m_fileName = fileName;
    reader.locate(fileName, nullptr);
    const int err = reader.open(true);
    if (err == ENOENT || err == ENOTDIR)
        return std::nullopt;
    if (err != 0)
        reader.failOpen(err);
    return reader;
}

FileReader FileReader::openTarget(const std::string& fileName, FolderCache* folders) {
    FileReader reader;
    reader.m_fileName = fileName;
    reader.locate(fileName, folders);
    int err = reader.open(false);
    if (err == ELOOP) {
        // The name is a symbolic link (or a loop of them): its target gets the new content.
        const std::string target = resolveLinks(fileName);
        if (target == fileName) {
            err = reader.open(true);
        } else {
            reader.locate(target, folders);
            err = reader.open(false);
        }
    }
    if (err != 0)
        reader.failOpen(err);
    return reader;
}

std::size_t FileReader::read(char* buffer, std::size_t n) {
    for (;;) {
        const auto r = ::read(m_fd.get(), buffer, n);
        if (r >= 0)
            return static_cast<std::size_t>(r);
        if (errno != EINTR)
            throw EFOpenError(openErrorMessage(m_fileName, errno));
    }
}

bool FileReader::readAt(std::uint64_t offset, std::size_t n, char* out) noexcept {
    while (n > 0) {
        const auto r = ::pread(m_fd.get(), out, n, static_cast<off_t>(offset));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        out += r;
        n -= static_cast<std::size_t>(r);
        offset += static_cast<std::uint64_t>(r);
    }
    return true;
}

void FileReader::readRest(std::string& bytes) {
    if (m_status.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(m_status.st_size));
    char block[1 << 16];
    while (const auto n = read(block, sizeof block))
        bytes.append(block, n);
}

FileContent FileReader::readContent() {
    const auto size = static_cast<std::size_t>(m_status.st_size);
    FileContent content(size);
    // One byte more than the size is asked for: a file that grew shows it in the same call, and
    // a regular file that gives fewer bytes than asked for is at its end.
    std::size_t done = 0;
    while (done <= size) {
        const auto r = ::pread(m_fd.get(), content.data() + done, size + 1 - done, static_cast<off_t>(done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            throw EFOpenError(openErrorMessage(m_fileName, errno));
        if (r == 0)
            break;
        done += static_cast<std::size_t>(r);
        if (done == size)
            break;
    }
    if (done != size)
        failChanged();
    return content;
}

bool FileReader::tryLock() {
    if (::flock(m_fd.get(), LOCK_EX | LOCK_NB) == 0)
        return true;
    // Where the file system has no such locks, the fingerprint checks are all there is.
    return errno != EWOULDBLOCK && errno != EINTR;
}

bool FileReader::waitForLock(std::chrono::milliseconds timeout, const std::function<bool()>& keepWaiting) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        while (!tryLock()) {
            if (std::chrono::steady_clock::now() >= deadline || (keepWaiting && !keepWaiting()))
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        // The run that held the lock may have replaced the file meanwhile: then the name stands
        // for its new content, which is the file to work on.
        struct stat now {};
        if (::fstatat(folderDescriptor(), nameInFolder().c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
            now.st_dev == m_status.st_dev && now.st_ino == m_status.st_ino) {
            if (::fstat(m_fd.get(), &m_status) != 0)
                failOpen(errno);
            m_fingerprint = FileFingerprint::of(m_status);
            return true;
        }
        if (const int err = open(false); err != 0)
            failOpen(err);
    }
}

void FileReader::checkOpenFileUnchanged() const {
    struct stat st {};
    if (::fstat(m_fd.get(), &st) != 0 || !m_fingerprint.matches(st))
        failChanged();
}

void FileReader::checkNameUnchanged() const {
    struct stat st {};
    if (::fstatat(folderDescriptor(), nameInFolder().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !m_fingerprint.matches(st))
        failChanged();
}

std::string readWholeFile(const std::string& fileName) {
    FileReader reader(fileName);
    std::string bytes;
    reader.readRest(bytes);
    return bytes;
}

// --- replacing -------------------------------------------------------------------------------

FileReplacement::FileReplacement(const std::string& fileName, const ReplaceOptions& options)
    : m_given(fileName), m_target(options.FollowLinks ? resolvedTarget(fileName) : fileName), m_options(options) {
    // The target as it is now, opened for its attributes; one that cannot be read is measured.
    m_ownSource = FileDescriptor(::open(m_target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (m_ownSource)
        m_existed = ::fstat(m_ownSource.get(), &m_model) == 0;
    else if (errno != ENOENT)
        m_existed = ::stat(m_target.c_str(), &m_model) == 0;
    if (m_existed && !S_ISREG(m_model.st_mode))
        fail("Cannot create file", m_given, S_ISDIR(m_model.st_mode) ? EISDIR : EINVAL);
    if (m_existed && options.RefuseReadOnly && ::access(m_target.c_str(), W_OK) != 0)
        fail("Cannot create file", m_given, errno);
    std::string folder(directoryOf(m_target));
    if (folder.empty())
        folder.push_back('.'); // beside a bare name, never in the system's temporary folder
    if (options.CreateFolders)
        if (const int err = createFolders(folder); err != 0)
            fail("Cannot create file", folder, err);
    m_targetInFolder = m_target;
    create(folder);
}

FileReplacement::FileReplacement(const FileReader& source, const ReplaceOptions& options)
    : m_given(source.path()), m_target(source.path()), m_options(options), m_model(source.status()),
      m_sourceFd(source.descriptor()), m_folder(source.folder()), m_targetInFolder(source.nameInFolder()),
      m_existed(true) {
    if (options.RefuseReadOnly && ::faccessat(folderDescriptor(), m_targetInFolder.c_str(), W_OK, 0) != 0)
        fail("Cannot create file", m_given, errno);
    std::string folder(directoryOf(m_target));
    if (folder.empty())
        folder.push_back('.');
    create(folder);
}

int FileReplacement::folderDescriptor() const noexcept { return m_folder ? m_folder->Descriptor.get() : AT_FDCWD; }

void FileReplacement::create(const std::string& folder) {
    // Made with the target's permission bits where the file mode mask lets them through, so
    // they rarely need setting afterwards; a new file gets what any new file gets.
    const mode_t mode = m_existed ? m_model.st_mode & 0777 : 0666;
    TTempFile temp;
    if (const int err = tryCreateTempFile(folder, kTempPrefix, kTempExtension, mode, temp, folderDescriptor(),
                                          &m_temporaryInFolder);
        err != 0)
        fail("Cannot create file", temp.Name, err);
    m_temporary = std::move(temp.Name);
    if (!m_folder)
        m_temporaryInFolder = m_temporary;
    m_fd = FileDescriptor(temp.Descriptor);
    m_createdMode = mode & ~fileModeMask();
}

FileReplacement::~FileReplacement() {
    m_fd.reset();
    if (!m_temporary.empty())
        (void)::unlinkat(folderDescriptor(), m_temporaryInFolder.c_str(), 0);
}

void FileReplacement::fail(std::string_view stepMessage, const std::string& name, int error) const {
    if (m_options.Messages == ReplaceMessages::Target || stepMessage == "Cannot create file")
        throw EFCreateError(createErrorMessage(m_options.Messages == ReplaceMessages::Target ? m_given : name, error));
    throw EInOutError(errorMessage(stepMessage, name, error));
}

void FileReplacement::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const auto n = ::write(m_fd.get(), bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail("Cannot write file", m_temporary, n < 0 ? errno : ENOSPC);
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void FileReplacement::copyAttributes() {
    const int source = m_sourceFd >= 0 ? m_sourceFd : m_ownSource.get();
    if (source < 0 || ::flistxattr(source, nullptr, 0) == 0)
        return; // most files have none; the copy would ask again
    AttributeErrors errors{};
    errors.context.error = &noteAttributeError;
    if (attr_copy_fd(m_target.c_str(), source, m_temporary.c_str(), m_fd.get(), &keepAttribute, &errors.context) ==
        0)
        return;
    const int err = errors.error != 0 ? errors.error : errno;
    if (err != ENOTSUP && err != EOPNOTSUPP)
        fail("Cannot keep the extended attributes of", m_target, err);
}

void FileReplacement::finishWriting() {
    if (m_finished)
        return;
    const int fd = m_fd.get();
    if (m_existed) {
        // Owner first: changing it may clear set-user-id bits, which the mode then restores.
        const std::string folder = m_folder ? std::string() : std::string(directoryOf(m_temporary));
        static const uid_t user = ::geteuid();
        const gid_t group = m_folder ? m_folder->NewFileGroup : newFileGroup(folder);
        const bool chown = m_model.st_uid != user || m_model.st_gid != group;
        if (chown && ::fchown(fd, m_model.st_uid, m_model.st_gid) != 0)
            (void)::fchown(fd, static_cast<uid_t>(-1), m_model.st_gid);
        const mode_t mode = m_model.st_mode & 07777;
        if ((mode != m_createdMode || (chown && (mode & 06000) != 0)) && ::fchmod(fd, mode) != 0)
            fail("Cannot set the permissions of", m_temporary, errno);
        copyAttributes();
    }
    if (m_options.Flush)
        flush();
    m_finished = true;
}

void FileReplacement::flush() {
    if (::fsync(m_fd.get()) != 0)
        fail("Cannot write file", m_temporary, errno);
}

void FileReplacement::commit(const CommitOptions& options) {
    finishWriting();
    if (const int err = m_fd.close(); err != 0)
        fail("Cannot write file", m_temporary, err);
    if (options.Source != nullptr)
        options.Source->checkNameUnchanged();

    // The backup's temporary name is made beside the backup, in the open folder where the
    // backup is in the target's own folder.
    int backupFolder = AT_FDCWD;
    std::string backupInFolder = options.Backup;
    if (m_folder && directoryOf(options.Backup) == m_folder->Name) {
        backupFolder = folderDescriptor();
        backupInFolder = nameOf(options.Backup);
    }
    std::string backupTemporary;
    if (!options.Backup.empty()) {
        const int source = options.Source != nullptr ? options.Source->descriptor()
                                                     : (m_sourceFd >= 0 ? m_sourceFd : m_ownSource.get());
        const int err = source < 0 ? ENOENT
                                   : linkToTemporaryBackup(source, folderDescriptor(), m_targetInFolder, backupFolder,
                                                           backupInFolder, backupTemporary, m_options.Flush);
        // A backup name in a folder that does not exist gives no backup, as a name without any
        // dot does; every other failure keeps the original as it is.
        if (err != 0 && err != ENOENT && err != ENOTDIR)
            throw EInOutError(errorMessage("Cannot create backup file", options.Backup, err));
    }
    const int keepFolder = options.KeepFolder >= 0 ? options.KeepFolder : AT_FDCWD;
    const std::string keepName(options.KeepFolder >= 0 ? nameOf(options.Keep) : std::string_view(options.Keep));
    if (!options.Keep.empty()) {
        const int source = options.Source != nullptr ? options.Source->descriptor()
                                                     : (m_sourceFd >= 0 ? m_sourceFd : m_ownSource.get());
        const int err = source < 0 ? ENOENT
                                   : keepContentAs(source, folderDescriptor(), m_targetInFolder, keepFolder, keepName);
        if (err != 0) {
            if (!backupTemporary.empty())
                (void)::unlinkat(backupFolder, backupTemporary.c_str(), 0);
            throw EInOutError(errorMessage("Cannot keep the previous content for undo of", m_target, err));
        }
    }
    if (const int err = renameOverAt(folderDescriptor(), m_temporaryInFolder, folderDescriptor(), m_targetInFolder);
        err != 0) {
        if (!backupTemporary.empty())
            (void)::unlinkat(backupFolder, backupTemporary.c_str(), 0);
        if (!options.Keep.empty())
            (void)::unlinkat(keepFolder, keepName.c_str(), 0);
        fail("Cannot replace file", m_target, err);
    }
    m_temporary.clear();
    if (!backupTemporary.empty()) {
        if (const int err = renameOverAt(backupFolder, backupTemporary, backupFolder, backupInFolder); err != 0) {
            const std::string kept = backupFolder == AT_FDCWD ? backupTemporary
                                                              : m_folder->Name + "/" + backupTemporary;
            throw EInOutError(errorMessage("Cannot create backup file", options.Backup, err) +
                              "; the previous content is kept in \"" + kept + "\"");
        }
    }
    if (m_options.FlushFolder) {
        const std::string folder(directoryOf(m_target));
        FileDescriptor dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir)
            (void)::fsync(dir.get()); // a failure here loses nothing already written
    }
}

void writeFileAtomically(const std::string& fileName, std::string_view bytes) {
    ReplaceOptions options;
    options.FlushFolder = true;
    options.CreateFolders = true;
    options.RefuseReadOnly = true;
    options.Messages = ReplaceMessages::Target;
    writeFileAtomically(fileName, bytes, options);
}

void writeFileAtomically(const std::string& fileName, std::string_view bytes, const ReplaceOptions& options) {
    FileReplacement replacement(fileName, options);
    replacement.write(bytes);
    replacement.commit();
}

} // namespace swapwright::files
