// swapwright-cli show DEFINITION.swd [FILE...]: loads a definition file as the program does at
// start, adds the FILEs as the add-files routine does, and prints what is then set up, one
// record a line. It writes nothing to any file.
#include "cli/commands.h"
#include "cli/escape.h"
#include "core/base/exceptions.h"
#include "core/base/files.h"
#include "core/base/text.h"
#include "core/filelist/extension_families.h"
#include "core/session/session.h"
#include "core/settings/app_settings.h"

#include <cstdio>
#include <string>
#include <vector>

namespace swapwright::cli {

namespace {

void print(TSession& session, std::FILE* out) {
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
    auto& store = session.store();
    for (const auto& s : AppSettingDefinitions())
        line({"setting", std::to_string(s.Id), escapeField(s.ValueName), escapeField(VariantToText(store.ReadValue(s.Id)))});
    for (const auto& t : ReadFamilyTexts(store)) {
        if (t.empty())
            continue; // the settings dialog does not show empty family texts
        const auto f = SplitFamilyText(t);
        line({"family", escapeField(f.Extensions), text::boolText(f.InUse)});
    }
    const auto& list = session.fileList();
    for (int i = 0; i < list.entryCount(); ++i) {
        const auto& e = list.entry(i);
        line({"file", escapeField(e.FileName), text::boolText(e.Checked), escapeField(e.PrefixText),
              e.StateImage == fsiExists ? "exists" : "missing", escapeField(e.SizeText)});
    }
    const auto& grid = session.grid();
    for (int row = 0; row < grid.definitionRowCount(); ++row) {
        std::vector<std::string> fields{"definition", std::to_string(row + 1)};
        bool any = false;
        for (int column = colUse; column <= colWords; ++column) {
            const auto& c = grid.cellText(column, row);
            any = any || !c.empty();
            fields.push_back(escapeField(c));
        }
        if (any)
            line(fields);
    }
}

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
        TSession session({}, {.WriteProtected = true});
        session.StartUp(definitionFile, std::vector<std::string>(argv + 2, argv + argc));
        print(session, stdout);
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
