#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

// The windows the screenshots show, each with realistic content. A scene builds its window (not yet
// shown); the runner shows it, waits until it is drawn and saves the picture. To add a window, add one
// entry to the list in scenes.cpp.
namespace swapwright::gui::shots {

struct Scene {
    const char* name;        // the file name without ".png"
    const char* description;
    std::function<std::unique_ptr<QWidget>()> make;
};

const std::vector<Scene>& scenes();

} // namespace swapwright::gui::shots
