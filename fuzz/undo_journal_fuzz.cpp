// An undo journal of any bytes: read as the undo history reads it, and when it is a journal, its
// records written out again read back the same.
#include "core/session/undo_journal.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace swapwright;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto journal = ParseUndoJournal(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!journal)
        return 0;
    std::string text = UndoJournalHeader(journal->Started);
    for (std::size_t i = 0; i < journal->Records.size(); ++i) {
        auto record = journal->Records[i];
        record.Dropped = false;
        text += UndoJournalFileLine(i, record);
        if (journal->Records[i].Dropped)
            text += UndoJournalDroppedLine(i);
    }
    const auto again = ParseUndoJournal(text);
    if (!again || again->Records != journal->Records ||
        std::llround(again->Started * 86400000.0) != std::llround(journal->Started * 86400000.0))
        std::abort();
    return 0;
}
