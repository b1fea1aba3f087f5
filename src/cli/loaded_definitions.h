#pragma once

#include "core/filelist/add_files.h"
#include "core/filelist/file_list_model.h"
#include "core/grid/find_replace_grid_model.h"
#include "core/store/persistent_data.h"
#include "core/session/saved_state.h"

#include <memory>
#include <string>
#include <vector>

namespace swapwright::cli {

// What the program holds after loading a definition file at start: the store, the file list,
// the grid and the windows' record. Nothing reaches any file: the store keeps its writes in
// memory, and the prefix warning is never asked.
class LoadedDefinitions final : public IDefinitionFileLoader {
public:
    explicit LoadedDefinitions(const std::string& fileName);

    void LoadDefinitionsFromFile(const std::string& fileName) override;
    // The add-files routine over the names, as for names on the program's command line.
    void addFiles(std::vector<std::string> names);

    TWqPersistentData& store() { return *m_store; }
    TFileListModel& fileList() { return m_list; }
    TFindReplaceGridModel& grid() { return m_grid; }

private:
    std::unique_ptr<TWqPersistentData> m_store;
    TFileListModel m_list;
    TFindReplaceGridModel m_grid;
    TWindowRecord m_view;
};

} // namespace swapwright::cli
