#pragma once

#include "core/store/window_font.h"

#include <QFont>

// The stored font record and Qt's font. A stored face that is not installed stays the font's
// family, so it is written back as it was read; fontconfig shows its nearest match meanwhile.
namespace swapwright::gui {

QFont toQFont(const TWqFont& font);
// The record of a font, with the charset and colour of `base` (Qt's font has neither).
TWqFont toWqFont(const QFont& font, const TWqFont& base = {});

} // namespace swapwright::gui
