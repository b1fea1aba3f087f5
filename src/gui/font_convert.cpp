#include "gui/font_convert.h"

#include "gui/text_convert.h"

#include <cmath>

namespace swapwright::gui {

namespace {
// Stored heights are pixels at 96 dots per inch, negative for the character height.
constexpr int kStoredDpi = 96;
} // namespace

QFont toQFont(const TWqFont& font) {
    QFont result(toDisplayText(font.Name));
    if (font.Size > 0)
        result.setPointSize(font.Size);
    else if (font.Height != 0)
        result.setPixelSize(std::abs(font.Height));
    result.setBold(font.Bold);
    result.setItalic(font.Italic);
    result.setUnderline(font.Underline);
    result.setStrikeOut(font.Strikeout);
    if (font.Pitch == 2)
        result.setFixedPitch(true);
    return result;
}

TWqFont toWqFont(const QFont& font, const TWqFont& base) {
    TWqFont result = base;
    result.Name = toBytes(font.family());
    int points = font.pointSize();
    if (points <= 0 && font.pixelSize() > 0)
        points = static_cast<int>(std::lround(font.pixelSize() * 72.0 / kStoredDpi));
    if (points > 0) {
        result.Size = points;
        result.Height = -static_cast<int>(std::lround(points * static_cast<double>(kStoredDpi) / 72.0));
    }
    result.Pitch = font.fixedPitch() ? 2 : (base.Pitch == 2 ? 0 : base.Pitch);
    result.Bold = font.bold();
    result.Italic = font.italic();
    result.Underline = font.underline();
    result.Strikeout = font.strikeOut();
    return result;
}

} // namespace swapwright::gui
