#include "cli/loaded_definitions.h"

#include "core/settings/app_store.h"

namespace swapwright::cli {

LoadedDefinitions::LoadedDefinitions(const std::string& fileName)
    : m_store(CreateAppPersistentData(fileName)), m_list(m_store.get()) {
    m_store->SetWriteProtected(true);
    LoadAllSettings(*m_store, m_view, m_list, m_grid);
}

void LoadedDefinitions::LoadDefinitionsFromFile(const std::string& fileName) {
    swapwright::LoadDefinitionsFromFile(*m_store, fileName, m_view, m_list, m_grid);
}

void LoadedDefinitions::addFiles(std::vector<std::string> names) { AddFiles(names, *m_store, m_list, this); }

} // namespace swapwright::cli
