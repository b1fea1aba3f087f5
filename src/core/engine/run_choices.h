#pragma once

#include <array>
#include <string_view>

// The choices a run reads from its settings, beside the texts the settings dialog lists for them
// (index = stored value). A stored number outside the list is kept as it is; each rule below
// says how the run takes it.
namespace swapwright {

// How a form file is written back ("DFM File Store Format"). Anything but AlwaysAsResource and
// AsBefore keeps the text form.
enum class TFormStoreFormat : int { AlwaysAsText = 0, AlwaysAsResource = 1, AsBefore = 2 };
inline constexpr std::array<std::string_view, 3> kDfmStoreFormatTexts = {
    "Always as Text", "Always as Resource", "In the Format they had before"};

// What a failing file does to the run ("Operation Error Action"). Anything but Continue and
// AskUser stops the run.
enum class TOperationErrorAction : int { Continue = 0, AskUser = 1, Abort = 2 };
inline constexpr std::array<std::string_view, 3> kOperationErrorActionTexts = {
    "Continue Operation", "Ask User", "Abort Operation"};

} // namespace swapwright
