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
    // For scenes with several windows or a moment that has to be caught: takes the picture of the
    // made window itself and returns the exit status (none: the runner shows and grabs the window).
    std::function<int(QWidget&, const QString& file)> shoot = {};
};

// The part of the screen that holds every visible window, as the screen shows it.
QPixmap grabVisibleWindows();

const std::vector<Scene>& scenes();

} // namespace swapwright::gui::shots
