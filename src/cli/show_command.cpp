// swapwright-cli show DEFINITION.swd [FILE...]: loads a definition file as the program does at
// start, adds the FILEs as the add-files routine does, and prints what is then set up, one
// record a line. It writes nothing to any file.
#include "cli/commands.h"
#include "cli/escape.h"
#include "core/base/exceptions.h"
#include "core/base/files.h"
#include "core/base/text.h"
#include "core/filelist/add_files.h"
#include "core/filelist/extension_families.h"
#include "core/settings/app_settings.h"
#include "core/settings/app_store.h"
#include "core/settings/saved_state.h"

#include <cstdio>
#include <string>
#include <vector>

namespace swapwright::cli {

namespace {

// What the program holds after loading: store, file list, grid and the windows' record.
class LoadedDefinitions final : public IDefinitionFileLoader {
public:
    explicit LoadedDefinitions(const std::string& fileName)
        : m_store(CreateAppPersistentData(fileName)), m_list(m_store.get()) {
        // Nothing reaches a file: changes made while loading stay in memory.
        m_store->SetWriteProtected(true);
        LoadAllSettings(*m_store, m_view, m_list, m_grid);
    }

    void LoadDefinitionsFromFile(const std::string& fileName) override {
        swapwright::LoadDefinitionsFromFile(*m_store, fileName, m_view, m_list, m_grid);
    }

    void addFiles(std::vector<std::string> names) { AddFiles(names, *m_store, m_list, this); }

    void print(std::FILE* out) {
        auto line = [out](const std::vector<std::string>& fields) {
            std::string text;
            for (std::size_t i = 0; i < fields.size(); ++i) {
                if (i > 0)
                    text += '\t';
                text += fields[i];
            }
            text += '\n';
            std::fwrite(text.data(), 1, text.size(), out);
        };
        for (const auto& s : AppSettingDefinitions())
            line({"setting", std::to_string(s.Id), escapeField(s.ValueName),
                  escapeField(VariantToText(m_store->ReadValue(s.Id)))});
        for (const auto& t : ReadFamilyTexts(*m_store)) {
            if (t.empty())
                continue; // the settings dialog does not show empty family texts
            const auto f = SplitFamilyText(t);
            line({"family", escapeField(f.Extensions), text::boolText(f.InUse)});
        }
        for (int i = 0; i < m_list.entryCount(); ++i) {
            const auto& e = m_list.entry(i);
            line({"file", escapeField(e.FileName), text::boolText(e.Checked), escapeField(e.PrefixText),
                  e.StateImage == fsiExists ? "exists" : "missing", escapeField(e.SizeText)});
        }
        for (int row = m_grid.fixedRowCount(); row < m_grid.rowCount(); ++row) {
            std::vector<std::string> fields{"definition", std::to_string(row)};
            bool any = false;
            for (int column = colUse; column <= colWords; ++column) {
                const auto& c = m_grid.cellText(column, row);
                any = any || !c.empty();
                fields.push_back(escapeField(c));
            }
            if (any)
                line(fields);
        }
    }

private:
    std::unique_ptr<TWqPersistentData> m_store;
    TFileListModel m_list; // no question: the prefix warning is never asked here
    TFindReplaceGridModel m_grid;
    TViewState m_view;
};

int fail(const std::string& message) {
    std::fprintf(stderr, "swapwright-cli show: %s\n", message.c_str());
    return 2;
}

} // namespace

int runShow(int argc, char** argv) {
    if (argc < 2 || std::string_view(argv[1]).empty())
        return fail("usage: swapwright-cli show DEFINITION.swd [FILE...]");
    const std::string definitionFile = files::absolutePath(argv[1]);
    if (!files::fileExists(definitionFile))
        return fail("the definition file \"" + std::string(argv[1]) + "\" does not exist");
    try {
        LoadedDefinitions loaded(definitionFile);
        loaded.addFiles(std::vector<std::string>(argv + 2, argv + argc));
        loaded.print(stdout);
    } catch (const Exception& e) {
        return fail(e.message());
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return fail("cannot write the output");
    return 0;
}

} // namespace swapwright::cli
