#include "core/engine/replacement_model.h"

#include "core/base/file_replace.h"
#include "core/base/files.h"
#include "core/base/text.h"

#include <sys/stat.h>

namespace swapwright {

namespace {

// Whether anything exists under the name (links followed); looked up from its folder, which
// stays open for the next name in it.
bool exists(const std::string& name, files::FolderCache& folders) {
    struct stat st {};
    const std::string_view folder = files::directoryOf(name), base = files::nameOf(name);
    if (!base.empty() && base != "." && base != "..")
        if (const auto open = folders.open(folder.empty() ? std::string(".") : std::string(folder)))
            return ::fstatat(open->Descriptor.get(), std::string(base).c_str(), &st, 0) == 0;
    return ::stat(name.c_str(), &st) == 0;
}

} // namespace

void GatherFiles(const IFileEntrySource& source, std::vector<TFileToProcess>& files) {
    files::FolderCache folders;
    const int count = source.entryCount();
    for (int i = 0; i < count; ++i) {
        if (!source.entryChecked(i))
            continue;
        std::string name = source.entryFileName(i);
        // Whatever exists under the name goes to the run, which processes regular files only
        // and names everything else in the report.
        if (name.empty() || !exists(name, folders))
            continue;
        files.push_back({std::move(name), StrLenPrefixFromText(source.entryPrefixText(i))});
    }
}

void GatherDefinitions(const IDefinitionRowSource& source, std::vector<TFindReplace>& definitions) {
    definitions.clear();
    const int rows = source.rowCount();
    for (int row = source.fixedRowCount(); row < rows; ++row) {
        std::string find = source.cell(colFind, row);
        if (find.empty() || !text::isTrueText(source.cell(colUse, row)))
            continue;
        TFindReplace d;
        d.Find = std::move(find);
        d.Replacement = source.cell(colReplacement, row);
        d.CaseSensitive = text::isTrueText(source.cell(colCase, row));
        d.WholeWord = text::isTrueText(source.cell(colWords, row));
        d.Row = row;
        definitions.push_back(std::move(d));
    }
}

std::unique_ptr<TOperationData> CreateOperationData(const IFileEntrySource* files, const IDefinitionRowSource* grid,
                                                    TDateTime startTime) {
    auto data = std::make_unique<TOperationData>();
    data->StartTime = startTime;
    if (files)
        GatherFiles(*files, data->FilesToProcess);
    if (grid)
        GatherDefinitions(*grid, data->FindReplaceList);
    return data;
}

} // namespace swapwright
