#include "core/filelist/folder_walk.h"

#include "core/base/files.h"
#include "core/base/text.h"
#include "core/filelist/file_masks.h"
#include "core/filelist/ignore_rules.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include <dirent.h>

namespace swapwright {

namespace {

constexpr std::string_view kExcludedFolders = ".git;.svn;.hg;__history;__recovery";
constexpr std::string_view kExcludedFiles = "~Wq*.TMP;*.swd";
constexpr auto kProgressInterval = std::chrono::milliseconds(25);
constexpr unsigned kEntriesPerClockCheck = 64;

class Descriptor {
public:
    explicit Descriptor(int fd) noexcept : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const noexcept { return m_fd; }

private:
    int m_fd;
};

struct Entry {
    std::string Name;
    unsigned char Type;
};

// An open that fails because the entry vanished or changed its kind meanwhile is no unreadable folder.
bool countsAsUnreadable(int error) noexcept { return error != ENOENT && error != ENOTDIR && error != ELOOP; }

class FolderWalker {
public:
    FolderWalker(const TFolderWalkOptions& options, IFolderWalkProgress* progress)
        : m_options(options), m_include(options.IncludeMasks), m_exclude(options.ExcludeMasks),
          m_excludedFolders(kExcludedFolders), m_excludedFiles(kExcludedFiles), m_progress(progress) {}

    TFolderWalkResult run(const std::string& folder) {
        std::string path = files::absolutePath(folder);
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            ++m_result.UnreadableFolders;
            return std::move(m_result);
        }
        Descriptor root(fd);
        std::unique_ptr<TIgnoreRules> rules;
        if (m_options.UseIgnoreFiles)
            rules = TIgnoreRules::open(path, true);
        if (path.back() != '/')
            path += '/';
        std::string relative;
        walk(root.get(), path, relative, rules.get());
        return std::move(m_result);
    }

private:
    // Walks the open folder `fd`; `path` is its full path and `relative` its path below the
    // rules' folder, both with a trailing '/' (or empty). Both are restored on return.
    void walk(int fd, std::string& path, std::string& relative, const TIgnoreRules* rules) {
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !m_folders.emplace(st.st_dev, st.st_ino).second)
            return;
        std::vector<Entry> entries;
        if (!readEntries(fd, entries))
            ++m_result.UnreadableFolders;
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.Name < b.Name; });

        // A repository inside the tree has its own ignore files; its parent's do not reach into
        // it. (The given folder's own repository was found when the walk began.)
        std::unique_ptr<TIgnoreRules> nested;
        std::string nestedRelative;
        if (m_options.UseIgnoreFiles && !relative.empty() && hasGitEntry(entries)) {
            nested = TIgnoreRules::open(path.substr(0, path.size() - 1), false);
            if (nested)
                rules = nested.get();
        }
        std::string& below = nested ? nestedRelative : relative;

        for (auto& entry : entries) {
            if (m_result.Canceled)
                return;
            tick();
            visit(fd, entry, path, below, rules);
        }
    }

    void visit(int fd, const Entry& entry, std::string& path, std::string& relative, const TIgnoreRules* rules) {
        const auto& name = entry.Name;
        unsigned char type = entry.Type;
        struct stat st {};
        bool statted = false;
        if (type == DT_LNK && !m_options.FollowLinks)
            return;
        if (type == DT_UNKNOWN || type == DT_LNK) {
            if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
                return;
            if (S_ISLNK(st.st_mode)) {
                if (!m_options.FollowLinks || ::fstatat(fd, name.c_str(), &st, 0) != 0)
                    return;
                statted = true;
            }
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_DIR)
            enterFolder(fd, name, path, relative, rules);
        else if (type == DT_REG && takesFile(name)) {
            const auto pathSize = path.size(), relativeSize = relative.size();
            relative += name;
            const bool ignored = rules && rules->isIgnored(relative);
            relative.resize(relativeSize);
            if (ignored)
                return;
            if (m_options.FollowLinks) {
                if (!statted && ::fstatat(fd, name.c_str(), &st, 0) != 0)
                    return;
                if (!m_files.emplace(st.st_dev, st.st_ino).second)
                    return;
            }
            path += name;
            m_result.Files.push_back(path);
            path.resize(pathSize);
        }
    }

    void enterFolder(int fd, const std::string& name, std::string& path, std::string& relative,
                     const TIgnoreRules* rules) {
        if (m_excludedFolders.matches(name) || m_exclude.matches(name))
            return;
        const auto pathSize = path.size(), relativeSize = relative.size();
        relative += name;
        if (rules && rules->isIgnored(relative)) {
            relative.resize(relativeSize);
            return;
        }
        const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (m_options.FollowLinks ? 0 : O_NOFOLLOW);
        const int child = ::openat(fd, name.c_str(), flags);
        if (child < 0) {
            if (countsAsUnreadable(errno))
                ++m_result.UnreadableFolders;
        } else {
            Descriptor folder(child);
            path += name;
            path += '/';
            relative += '/';
            walk(folder.get(), path, relative, rules);
        }
        path.resize(pathSize);
        relative.resize(relativeSize);
    }

    bool takesFile(std::string_view name) const {
        return m_include.matches(name) && !m_exclude.matches(name) && !m_excludedFiles.matches(name) &&
               !IsBackupFileName(name, m_options.BackupFilePrefix);
    }

    // Every entry of the folder but "." and ".."; false when reading failed (what was read stays).
    bool readEntries(int fd, std::vector<Entry>& entries) {
        const int own = ::dup(fd);
        if (own < 0)
            return false;
        DIR* dir = ::fdopendir(own);
        if (!dir) {
            ::close(own);
            return false;
        }
        bool ok = true;
        for (;;) {
            errno = 0;
            const dirent* e = ::readdir(dir);
            if (!e) {
                ok = errno == 0;
                break;
            }
            const std::string_view name(e->d_name);
            if (name == "." || name == "..")
                continue;
            entries.push_back({std::string(name), e->d_type});
            tick();
            if (m_result.Canceled)
                break;
        }
        ::closedir(dir);
        return ok;
    }

    static bool hasGitEntry(const std::vector<Entry>& entries) {
        return std::any_of(entries.begin(), entries.end(), [](const Entry& e) { return e.Name == ".git"; });
    }

    // Cheap enough for every entry: the clock is read every few dozen calls. The first report
    // comes after the first few dozen entries.
    void tick() {
        if (!m_progress || m_result.Canceled || ++m_ticks % kEntriesPerClockCheck != 0)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (now - m_lastProgress < kProgressInterval)
            return;
        m_lastProgress = now;
        if (!m_progress->folderWalkProgress(m_result.Files.size()))
            m_result.Canceled = true;
    }

    const TFolderWalkOptions& m_options;
    const TFileMasks m_include, m_exclude, m_excludedFolders, m_excludedFiles;
    IFolderWalkProgress* m_progress;
    std::chrono::steady_clock::time_point m_lastProgress{};
    unsigned m_ticks = 0;
    std::set<std::pair<dev_t, ino_t>> m_folders; // entered so far: a folder is entered once
    std::set<std::pair<dev_t, ino_t>> m_files;   // taken so far, kept when links are followed
    TFolderWalkResult m_result;
};

} // namespace

TFolderWalkResult WalkFolder(const std::string& folder, const TFolderWalkOptions& options,
                             IFolderWalkProgress* progress) {
    return FolderWalker(options, progress).run(folder);
}

bool IsBackupFileName(std::string_view name, std::string_view prefix) noexcept {
    if (prefix.empty())
        return false;
    for (auto dot = name.find('.'); dot != std::string_view::npos; dot = name.find('.', dot + 1)) {
        const auto after = name.substr(dot + 1);
        if (text::startsWithIgnoreCase(after, prefix) &&
            after.find('.', prefix.size()) == std::string_view::npos)
            return true;
    }
    return false;
}

} // namespace swapwright
