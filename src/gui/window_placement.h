#pragma once

#include "core/store/window_font.h"

#include <string_view>

class QWidget;

// A window's position and size kept in the settings store under a key ("Exception Dialog", ...):
// the position of the window's frame and the size of its client area, as the window was left.
namespace swapwright::gui {

// How the four values are named inside the key: "<key> Left" and so on, or just "Left", "Top", "Width"
// and "Height".
enum class PlacementNames { KeyPrefixed, Plain };

// Applies what the key holds, fitted to the window's screen; without stored values the window keeps
// its designed size and goes where the default placement says. A missing store changes nothing.
void loadWindowPlacement(QWidget& window, TWqPersistentData* store, std::string_view key,
                         TDefaultPlacement defaultPlacement, PlacementNames names = PlacementNames::KeyPrefixed);
// Writes the window's position and size under the key. A missing store writes nothing.
void storeWindowPlacement(const QWidget& window, TWqPersistentData* store, std::string_view key,
                          PlacementNames names = PlacementNames::KeyPrefixed);

} // namespace swapwright::gui
