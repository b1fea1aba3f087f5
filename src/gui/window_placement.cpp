#include "gui/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <string>

namespace swapwright::gui {

namespace {
TWqScreenSize screenSize(const QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return {window.width(), window.height()};
    const QSize size = screen->geometry().size();
    return {size.width(), size.height()};
}

// With plain names the values live in the key itself: the key becomes current for the routine
// (which then reads the current key's "Left" and so on), and the previous key is current again after.
class PlainNamesKey {
public:
    PlainNamesKey(TWqPersistentData& store, std::string_view key, bool canCreate)
        : m_store(store), m_previous(store.CurrentKey()) {
        m_store.OpenKey("\\" + std::string(key), canCreate);
    }
    ~PlainNamesKey() {
        try {
            m_store.OpenKey("\\" + m_previous, true);
        } catch (...) {
        }
    }
    PlainNamesKey(const PlainNamesKey&) = delete;
    PlainNamesKey& operator=(const PlainNamesKey&) = delete;

private:
    TWqPersistentData& m_store;
    std::string m_previous;
};
} // namespace

void loadWindowPlacement(QWidget& window, TWqPersistentData* store, std::string_view key,
                         TDefaultPlacement defaultPlacement, PlacementNames names) {
    if (!store)
        return;
    const TWqRect designed{window.x(), window.y(), window.width(), window.height()};
    const TWqScreenSize screen = screenSize(window);
    TWqWindowPlacement placement;
    if (names == PlacementNames::Plain && store->KeyExists("\\" + std::string(key))) {
        PlainNamesKey opened(*store, key, false);
        placement = WqLoadWindowPlacement(*store, "", designed, screen, defaultPlacement);
    } else {
        // Prefixed names; or plain names without their key, which read nothing either way.
        placement = WqLoadWindowPlacement(*store, key, designed, screen, defaultPlacement);
    }
    window.resize(placement.Bounds.Width, placement.Bounds.Height);
    if (!placement.PositionBySystem)
        window.move(placement.Bounds.Left, placement.Bounds.Top);
}

void storeWindowPlacement(const QWidget& window, TWqPersistentData* store, std::string_view key,
                          PlacementNames names) {
    if (!store)
        return;
    const QPoint position = window.pos();
    const TWqRect rect{position.x(), position.y(), window.width(), window.height()};
    if (names == PlacementNames::Plain) {
        PlainNamesKey opened(*store, key, true);
        WqStoreWindowRect(*store, "", rect);
    } else {
        WqStoreWindowRect(*store, key, rect);
    }
}

} // namespace swapwright::gui
