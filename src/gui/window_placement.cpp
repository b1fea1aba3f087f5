#include "gui/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace swapwright::gui {

namespace {
TWqScreenSize screenSize(const QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return {window.width(), window.height()};
    const QSize size = screen->geometry().size();
    return {size.width(), size.height()};
}
} // namespace

void loadWindowPlacement(QWidget& window, TWqPersistentData* store, std::string_view key,
                         TDefaultPlacement defaultPlacement) {
    if (!store)
        return;
    const TWqRect designed{window.x(), window.y(), window.width(), window.height()};
    const TWqScreenSize screen = screenSize(window);
    const TWqWindowPlacement placement = WqLoadWindowPlacement(*store, key, designed, screen, defaultPlacement);
    window.resize(placement.Bounds.Width, placement.Bounds.Height);
    if (!placement.PositionBySystem)
        window.move(placement.Bounds.Left, placement.Bounds.Top);
}

void storeWindowPlacement(const QWidget& window, TWqPersistentData* store, std::string_view key) {
    if (!store)
        return;
    const QPoint position = window.pos();
    WqStoreWindowRect(*store, key, TWqRect{position.x(), position.y(), window.width(), window.height()});
}

} // namespace swapwright::gui
