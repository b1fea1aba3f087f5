#pragma once

#include "core/store/persistent_data.h"

#include <string>
#include <string_view>

// Fonts and window bounds kept in the store, as plain records: the GUI fills them from its
// widgets before storing and applies them after loading.
namespace swapwright {

struct TWqFont {
    int Charset = 1;
    int Color = 0; // red in the low byte
    int Height = -11;
    std::string Name = "MS Sans Serif";
    int Pitch = 0; // 0 default, 1 variable, 2 fixed
    int Size = 8;  // read after Height, so it is the one that decides
    bool Bold = false, Italic = false, Underline = false, Strikeout = false;
    friend bool operator==(const TWqFont&, const TWqFont&) = default;
};

// A window's bounds in pixels; -1 stands for "not known" and is never stored.
struct TWqRect {
    int Left = -1, Top = -1, Width = -1, Height = -1;
    friend bool operator==(const TWqRect&, const TWqRect&) = default;
};

struct TWqScreenSize {
    int Width = 0, Height = 0;
};

// Where a window goes when nothing usable is stored.
enum class TDefaultPlacement {
    SystemChooses,  // the system picks the position, the designed size stays
    ScreenCenter,   // centred on the screen
};

struct TWqWindowPlacement {
    TWqRect Bounds;              // what the window gets, fitted to the screen
    bool PositionBySystem = false; // the GUI lets the system place the window (Left and Top unused)
};

// Writes the font's charset, Color, Height, Name, Pitch, Size and the four styles as "<prefix> <word>"
// into the key (absolute, created when missing).
void WqStoreFont(TWqPersistentData& store, std::string_view key, std::string_view prefix, const TWqFont& font);
// When the key exists, reads the same values into the font (with the TWqFont defaults); a style
// read as True is added, a False one leaves the font's style as it is. False when the key is missing.
bool WqLoadFont(TWqPersistentData& store, std::string_view key, std::string_view prefix, TWqFont& font);

// Writes "<key> Left", "<key> Top", "<key> Width", "<key> Height" (each that is not -1) as integers
// into the key; the current key stays.
void WqStoreWindowRect(TWqPersistentData& store, std::string_view key, const TWqRect& rect);
// The window's bounds from the key: with both Left and Top stored, the designed bounds with every
// stored value that is not -1; otherwise the default placement. Then fitted to the screen. Never
// fails: any failure inside leaves what was reached.
TWqWindowPlacement WqLoadWindowPlacement(TWqPersistentData& store, std::string_view key, const TWqRect& designed,
                                         TWqScreenSize screen, TDefaultPlacement defaultPlacement);

// Fits bounds into the screen: a right edge beyond it moves the window left (not below 0), a
// negative left edge becomes 0, a width larger than the screen becomes the screen's; the same
// vertically.
TWqRect FitToScreen(TWqRect bounds, TWqScreenSize screen) noexcept;

} // namespace swapwright
