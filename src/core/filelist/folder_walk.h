#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Finding the files of a folder tree that are to go into the file list.
namespace swapwright {

inline constexpr std::string_view kDefaultIncludeMasks = "*.pas;*.dfm;*.dpr;*.dpk;*.inc";

// What to take from a tree. Masks are lists as TFileMasks reads them ("*.pas;*.dfm").
struct TFolderWalkOptions {
    std::string IncludeMasks{kDefaultIncludeMasks}; // a file is taken when its name matches one...
    std::string ExcludeMasks;                       // ...and none of these; a folder matching these is not entered
    bool UseIgnoreFiles = true;                     // inside a git work tree, leave out what its ignore files ignore
    bool FollowLinks = false;                       // follow symbolic links to files and folders
    std::string BackupFilePrefix = "_";             // the run's backup prefix: backups of files are left out
};

// Told how a walk goes and asked whether it is to go on; called every few dozen milliseconds
// of walking, not for every file, so a window can stay responsive.
class IFolderWalkProgress {
public:
    virtual ~IFolderWalkProgress() = default;
    // False stops the walk.
    virtual bool folderWalkProgress(std::size_t filesFound) = 0;
};

struct TFolderWalkResult {
    std::vector<std::string> Files;    // full paths, in walk order
    std::size_t UnreadableFolders = 0; // folders that could not be opened or read, skipped
    bool Canceled = false;             // the walk was stopped; Files holds what was found until then
};

// The regular files below a folder (an existing folder, made absolute against the current
// folder; a symbolic link given as the folder is followed), in a stable order: each folder's
// entries sorted by name byte by byte, files and folders interleaved, a folder's files at its
// place. Always left out: the folders .git, .svn, .hg, __history and __recovery, the run's
// temporary files (~Wq*.TMP), backup files (IsBackupFileName) and definition files (*.swd).
// With ignore files, a folder the rules ignore is not entered. Without following links,
// symbolic links are passed over; with it, a folder or file reached twice (a link loop, two
// links to one target) is taken once, at its first place. A folder that cannot be opened or
// read is counted and skipped, also the given folder itself.
TFolderWalkResult WalkFolder(const std::string& folder, const TFolderWalkOptions& options,
                             IFolderWalkProgress* progress = nullptr);

// Whether a file name is the backup name the run makes of some other file with this prefix:
// the prefix, any letter case, right after a dot that is the last dot once the prefix is gone
// ("Unit1._pas" for "_"). No name is a backup name for an empty prefix.
bool IsBackupFileName(std::string_view name, std::string_view prefix) noexcept;

} // namespace swapwright
