#pragma once

#include "core/filelist/folder_walk.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace swapwright {

class TFileListModel;
class TWqPersistentData;

// Who loads a definition file met among the added files: saves the current state to the store in
// use, makes the file the store's file and loads everything from it.
class IDefinitionFileLoader {
public:
    virtual ~IDefinitionFileLoader() = default;
    virtual void LoadDefinitionsFromFile(const std::string& fileName) = 0;
};

// Told how the adding of a folder goes, and asked whether it is to go on: every few dozen
// milliseconds while the folder is walked (files found) and while its files are added (entries
// added to the list, families and project files included).
class IAddFolderProgress {
public:
    virtual ~IAddFolderProgress() = default;
    // False cancels the folder: the list is left as it was before it.
    virtual bool addFolderProgress(std::string_view folder, std::size_t filesFound, std::size_t entriesAdded) = 0;
};

struct TAddFilesResult {
    std::size_t UnreadableFolders = 0; // skipped while walking the folders among the names
    bool Canceled = false;             // a folder was cancelled; the names after it were not added
};

// The add-files routine, for the add-files dialog, dropped files and the command line. Each name
// is made a full path (in place); project files (DPR, DPK) bring the units named in them and
// definition files (SWD) are loaded, each as the setting "Project File Add Action" says; any other
// file is added with its extension family. New entries get the settings "Mark Files added to the
// List as checked" and "Default String Length Prefix". Without a loader, definition files are
// only listed (when the add action lists project files). A project file that cannot be read ends
// the routine with its error; what was added so far stays. A name that cannot be made a full
// path (the current folder unreadable) is left out and the others are added; then the
// routine raises the first such failure, which names the file.
//
// An existing folder among the names is walked with the folder options (WalkFolder; the backup
// prefix is the setting "Backup File Prefix") and each file found goes through the same steps as
// a name, in the walk's order; the string length prefix warning is asked at most once for it.
void AddFiles(std::vector<std::string>& fileNames, TWqPersistentData& store, TFileListModel& list,
              IDefinitionFileLoader* loader);
TAddFilesResult AddFiles(std::vector<std::string>& fileNames, TWqPersistentData& store, TFileListModel& list,
                         IDefinitionFileLoader* loader, const TFolderWalkOptions& folderOptions,
                         IAddFolderProgress* progress = nullptr);

} // namespace swapwright
