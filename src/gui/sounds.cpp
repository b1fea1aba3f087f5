#include "gui/sounds.h"

#include <QApplication>

#include <utility>

namespace swapwright::gui {

namespace {
std::function<void(SystemSound)>& recorder() {
    static std::function<void(SystemSound)> instance;
    return instance;
}
} // namespace

void playSystemSound(SystemSound sound) {
    if (recorder())
        recorder()(sound);
    else
        QApplication::beep();
}

void setSystemSoundRecorder(std::function<void(SystemSound)> routine) { recorder() = std::move(routine); }

} // namespace swapwright::gui
