#pragma once

#include "core/engine/replacement_model.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The substitution written as plainly as possible: one position at a time, every definition
// tried in order through stream reads, one byte copied when none matches. The real engine must
// give exactly its results.
namespace swapwright::test {

struct ReferenceResult {
    std::string output;
    std::vector<std::int32_t> fileCounts; // the per-file copy's counts
    std::vector<std::string> reportLines; // the per-file report lines (only when not failed)
    bool failed = false;
    std::string errorClass; // className() of the failure
    std::string errorMessage;
    std::int64_t endPosition = 0; // source position when the loop ended
};

struct ReferenceHooks {
    // The progress window's canceled state, asked before every step with the source position.
    std::function<bool(std::int64_t position)> canceled;
    // Whether a definition's row still lies within the grid (missing: always).
    std::function<bool(int row)> rowExists;
};

ReferenceResult ReferenceReplace(const std::string& source, TStrLenPrefix prefix,
                                 std::vector<TFindReplace>& definitions, const ReferenceHooks& hooks = {});

} // namespace swapwright::test
