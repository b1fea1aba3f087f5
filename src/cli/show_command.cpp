// swapwright-cli show [--include MASKS] [--exclude MASKS] [--no-ignore] DEFINITION.swd
// [FILE|FOLDER...]: loads a definition file as the program does at start, adds the FILEs and
// FOLDERs as the add-files routine does (the folder flags take the place of the definition
// file's folder options), and prints what is then set up, one record a line. It writes nothing
// to any file.
#include "cli/commands.h"
#include "cli/escape.h"
#include "cli/file_arguments.h"
#include "cli/usage.h"
#include "cli/folder_flags.h"
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

constexpr std::string_view kCommand = "show";

const char* stateText(TFileState state) {
    switch (state) {
    case TFileState::Exists: return "exists";
    case TFileState::NotAFile: return "not-a-file";
    default: return "missing";
    }
}

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
              stateText(e.State), escapeField(e.SizeText)});
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
    printError(kCommand, message);
    return 2;
}

} // namespace

int runShow(int argc, char** argv) {
    FolderFlags folderFlags;
    std::vector<std::string> args;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        std::string flagError;
        if (options && isHelpOption(a))
            return printHelp(kCommand);
        if (options && takeFolderFlag(argc, argv, i, folderFlags, flagError)) {
            if (!flagError.empty())
                return usageError(kCommand, flagError);
        } else if (options && a == "--")
            options = false;
        else if (options && a.size() > 1 && a.front() == '-')
            return usageError(kCommand, "unknown option " + std::string(a));
        else
            args.emplace_back(a);
    }
    if (args.empty() || args.front().empty())
        return usageError(kCommand, "a definition file is needed");
    try {
        const std::string definitionFile = files::absolutePath(args.front());
        if (const auto problem = definitionFileProblem(args.front()))
            return fail("the definition file " + *problem);
        TSession session({}, {.WriteProtected = true});
        session.StartUp(definitionFile, {});
        applyFolderFlags(folderFlags, session);
        reportSkippedFolders("show", session.AddFiles(std::vector<std::string>(args.begin() + 1, args.end())));
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
