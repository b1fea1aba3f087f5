#pragma once

#include <string>
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

// The add-files routine, for the add-files dialog, dropped files and the command line. Each name
// is made a full path (in place); project files (DPR, DPK) bring the units named in them and
// definition files (SWD) are loaded, each as the setting "Project File Add Action" says; any other
// file is added with its extension family. New entries get the settings "Mark Files added to the
// List as checked" and "Default String Length Prefix". Without a loader, definition files are
// only listed (when the add action lists project files). A project file that cannot be read ends
// the routine with its error; what was added so far stays. A name that cannot be made a full
// path (the current folder unreadable) is left out and the others are added; then the
// routine raises the first such failure, which names the file.
void AddFiles(std::vector<std::string>& fileNames, TWqPersistentData& store, TFileListModel& list,
              IDefinitionFileLoader* loader);

} // namespace swapwright
