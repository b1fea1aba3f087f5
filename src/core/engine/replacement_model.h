#pragma once

#include "core/base/datetime.h"
#include "core/engine/str_len_prefix.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace swapwright {

// One find/replace definition of a run.
struct TFindReplace {
    std::string Find;        // never empty in a run
    std::string Replacement; // may be empty
    bool WholeWord = false;
    bool CaseSensitive = false;
    std::int32_t Row = 0;   // grid row the definition came from; its "Sum" cell shows Count
    std::int32_t Count = 0; // replacements made over the whole run
};

// One file of a run.
struct TFileToProcess {
    std::string FileName; // exactly as the file list shows it
    TStrLenPrefix StrLenPrefix = slpNone;
};

// The record of one run: made when the user starts it, owned by whoever started it.
class TOperationData {
public:
    TDateTime StartTime = 0;
    TDateTime EndTime = 0;
    std::vector<TFindReplace> FindReplaceList; // grid row order
    std::vector<TFileToProcess> FilesToProcess; // file list order
    std::int32_t FilesProcessed = 0;
};

// The columns of the find/replace grid.
enum GridColumn : int {
    colNo = 0,
    colSum = 1,
    colUse = 2,
    colFind = 3,
    colReplacement = 4,
    colCase = 5,
    colWords = 6,
    gridColumnCount = 7
};

// What a run is gathered from: the file list's entries...
class IFileEntrySource {
public:
    virtual ~IFileEntrySource() = default;
    virtual int entryCount() const = 0;
    virtual std::string entryFileName(int index) const = 0;
    virtual bool entryChecked(int index) const = 0;
    virtual std::string entryPrefixText(int index) const = 0;
};

// ... and the grid's cells. Rows from fixedRowCount() to rowCount() - 1 are definition rows.
class IDefinitionRowSource {
public:
    virtual ~IDefinitionRowSource() = default;
    virtual int rowCount() const = 0;
    virtual int fixedRowCount() const = 0;
    virtual std::string cell(int column, int row) const = 0;
};

// Appends the checked entries whose file exists, in list order. Entries that exist but are no
// regular file (a folder, a FIFO) are appended too: the run names them in its report.
void GatherFiles(const IFileEntrySource& source, std::vector<TFileToProcess>& files);
// Empties the list, then appends every definition row with a non-empty "Find" and a true "Use".
void GatherDefinitions(const IDefinitionRowSource& source, std::vector<TFindReplace>& definitions);

// A new run record: StartTime now, then the files, then the definitions. A missing source
// leaves its list empty.
std::unique_ptr<TOperationData> CreateOperationData(const IFileEntrySource* files,
                                                    const IDefinitionRowSource* grid,
                                                    TDateTime startTime = nowDateTime());

} // namespace swapwright
