#pragma once

#include "core/engine/replacement_model.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// DEFS.tsv: one definition a line, fields separated by TAB: find, replacement, case, words.
// Lines end in LF or CR LF. Find and replacement take the escapes of escape.h; case and words
// are read with the truth test; missing fields are empty or false. Lines with an empty find
// are skipped. Each definition's Row is its line number.
namespace swapwright::cli {

struct DefsError {
    int line = 0;
    std::string message;
};

struct DefsFile {
    std::vector<TFindReplace> definitions;
    std::optional<DefsError> error; // the first malformed line; definitions is then empty
};

DefsFile parseDefinitions(std::string_view text);

// One line of DEFS.tsv for a definition (escaped fields, "1"/"0" flags, no line end).
std::string formatDefinition(const TFindReplace& definition);

} // namespace swapwright::cli
