#include "core/base/file_replace.h"

#include "core/base/exceptions.h"
#include "core/base/file_ops.h"
#include "core/base/files.h"
#include "core/base/text.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
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

} // namespace

std::string MakeTempFileName(std::string_view directory, std::string_view prefix, std::string_view extension,
                             unsigned startCounter) {
    const std::string folder = trimFolder(directory);
    prefix = prefix.substr(0, 3);
    extension = text::trim(extension, ".");
    const unsigned mask = prefix.size() * 4 >= 32 ? 0u : 0xFFFFFFFFu >> (4 * prefix.size());
    unsigned counter = startCounter & mask;
    std::string name = formatTempName(folder, prefix, counter, extension);
    while (files::entryExists(name))
        name = formatTempName(folder, prefix, ++counter, extension);
    return name;
}

std::string MakeTempFileName(std::string_view directory, std::string_view prefix, std::string_view extension) {
    return MakeTempFileName(directory, prefix, extension, files::millisecondsSinceStart());
}

namespace {

// 0, or the errno of the failure with the name that failed in `temp.Name`.
int tryCreateTempFile(std::string_view directory, std::string_view prefix, std::string_view extension,
                      TTempFile& temp) {
    unsigned counter = files::millisecondsSinceStart();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        temp.Name = MakeTempFileName(directory, prefix, extension, counter);
        temp.Descriptor = files::createExclusive(temp.Name);
        if (temp.Descriptor >= 0)
            return 0;
        if (errno != EEXIST)
            return errno;
        counter += 1; // someone took the name between the test and the creation
    }
    temp.Name = trimFolder(directory);
    return EEXIST;
}

} // namespace

TTempFile CreateTempFile(std::string_view directory, std::string_view prefix, std::string_view extension) {
    TTempFile temp;
    if (const int err = tryCreateTempFile(directory, prefix, extension, temp); err != 0)
        throw EFCreateError(files::createErrorMessage(temp.Name, err));
    return temp;
}

} // namespace swapwright

namespace swapwright::files {

namespace {

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

mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

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

// --- reading ---------------------------------------------------------------------------------

int FileReader::open(const std::string& fileName) {
    m_fileName = fileName;
    // Without waiting: a FIFO opened for reading would block until someone writes.
    FileDescriptor fd(::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd)
        return errno;
    if (::fstat(fd.get(), &m_status) != 0)
        return errno;
    if (!S_ISREG(m_status.st_mode))
        return S_ISDIR(m_status.st_mode) ? EISDIR : EINVAL;
    m_fd = std::move(fd);
    return 0;
}

FileReader::FileReader(const std::string& fileName) {
    if (const int err = open(fileName); err != 0)
        throw EFOpenError(openErrorMessage(fileName, err));
}

std::optional<FileReader> FileReader::openIfExists(const std::string& fileName) {
    FileReader reader;
    const int err = reader.open(fileName);
    if (err == ENOENT || err == ENOTDIR)
        return std::nullopt;
    if (err != 0)
        throw EFOpenError(openErrorMessage(fileName, err));
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

std::string readWholeFile(const std::string& fileName) {
    FileReader reader(fileName);
    std::string bytes;
    reader.readRest(bytes);
    return bytes;
}

// --- replacing -------------------------------------------------------------------------------

FileReplacement::FileReplacement(const std::string& fileName, const ReplaceOptions& options)
    : m_given(fileName), m_target(options.FollowLinks ? resolvedTarget(fileName) : fileName), m_options(options) {
    struct stat st {};
    m_existed = ::stat(m_target.c_str(), &st) == 0;
    if (m_existed && !S_ISREG(st.st_mode))
        fail("Cannot create file", m_given, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    if (m_existed && options.RefuseReadOnly && ::access(m_target.c_str(), W_OK) != 0)
        fail("Cannot create file", m_given, errno);
    std::string folder(directoryOf(m_target));
    if (folder.empty())
        folder.push_back('.'); // beside a bare name, never in the system's temporary folder
    if (options.CreateFolders)
        if (const int err = createFolders(folder); err != 0)
            fail("Cannot create file", folder, err);
    TTempFile temp;
    if (const int err = tryCreateTempFile(folder, kTempPrefix, kTempExtension, temp); err != 0)
        fail("Cannot create file", temp.Name, err);
    m_temporary = std::move(temp.Name);
    m_fd = FileDescriptor(temp.Descriptor);
}

FileReplacement::~FileReplacement() {
    m_fd.reset();
    removeQuietly(m_temporary);
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

void FileReplacement::finishWriting() {
    if (m_finished)
        return;
    const int fd = m_fd.get();
    struct stat model {};
    if (m_existed) {
        if (::stat(m_target.c_str(), &model) != 0)
            fail("Cannot read the attributes of", m_target, errno);
        // Owner first: changing it may clear set-user-id bits, which the mode then restores.
        if (::fchown(fd, model.st_uid, model.st_gid) != 0)
            (void)::fchown(fd, static_cast<uid_t>(-1), model.st_gid);
    }
    if (::fchmod(fd, m_existed ? model.st_mode & 07777 : newFileMode()) != 0)
        fail("Cannot set the permissions of", m_temporary, errno);
    if (m_options.Flush && ::fsync(fd) != 0)
        fail("Cannot write file", m_temporary, errno);
    if (const int err = m_fd.close(); err != 0)
        fail("Cannot write file", m_temporary, err);
    m_finished = true;
}

void FileReplacement::commit() {
    finishWriting();
    if (const int err = renameOver(m_temporary, m_target); err != 0)
        fail("Cannot replace file", m_target, err);
    m_temporary.clear();
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
