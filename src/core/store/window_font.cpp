#include "core/store/window_font.h"

#include "core/base/text.h"

#include <algorithm>

namespace swapwright {

namespace {

std::string valueName(std::string_view prefix, std::string_view word) {
    return std::string(text::trim(text::format("%s %s", prefix, word), " "));
}

std::string absoluteKey(std::string_view key) { return "\\" + std::string(key); }

// The current key is current again when the routine ends, however it ends.
class KeepCurrentKey {
public:
    explicit KeepCurrentKey(TWqPersistentData& store) : m_store(store), m_key(store.CurrentKey()) {}
    ~KeepCurrentKey() {
        try {
            m_store.OpenKey("\\" + m_key, true);
        } catch (...) {
        }
    }
    KeepCurrentKey(const KeepCurrentKey&) = delete;
    KeepCurrentKey& operator=(const KeepCurrentKey&) = delete;

private:
    TWqPersistentData& m_store;
    std::string m_key;
};

} // namespace

void WqStoreFont(TWqPersistentData& store, std::string_view key, std::string_view prefix, const TWqFont& font) {
    TWqUpdateScope scope(store);
    store.OpenKey(absoluteKey(key), true);
    store.WriteInteger(valueName(prefix, "charset"), font.Charset);
    store.WriteInteger(valueName(prefix, "Color"), font.Color);
    store.WriteInteger(valueName(prefix, "Height"), font.Height);
    store.WriteString(valueName(prefix, "Name"), font.Name);
    store.WriteInteger(valueName(prefix, "Pitch"), font.Pitch);
    store.WriteInteger(valueName(prefix, "Size"), font.Size);
    store.WriteBool(valueName(prefix, "Bold"), font.Bold);
    store.WriteBool(valueName(prefix, "Italic"), font.Italic);
    store.WriteBool(valueName(prefix, "Underline"), font.Underline);
    store.WriteBool(valueName(prefix, "Strikeout"), font.Strikeout);
    scope.commit();
}

bool WqLoadFont(TWqPersistentData& store, std::string_view key, std::string_view prefix, TWqFont& font) {
    // Asked of the file itself: opening the key that is current would answer yes without looking.
    if (!store.KeyExists(absoluteKey(key)))
        return false;
    store.OpenKey(absoluteKey(key), false);
    const TWqFont defaults;
    font.Charset = store.ReadInteger(valueName(prefix, "charset"), defaults.Charset);
    font.Color = store.ReadInteger(valueName(prefix, "Color"), defaults.Color);
    font.Height = store.ReadInteger(valueName(prefix, "Height"), defaults.Height);
    font.Name = store.ReadString(valueName(prefix, "Name"), defaults.Name);
    font.Pitch = store.ReadInteger(valueName(prefix, "Pitch"), defaults.Pitch);
    font.Size = store.ReadInteger(valueName(prefix, "Size"), defaults.Size);
    font.Bold = store.ReadBool(valueName(prefix, "Bold"), false) || font.Bold;
    font.Italic = store.ReadBool(valueName(prefix, "Italic"), false) || font.Italic;
    font.Underline = store.ReadBool(valueName(prefix, "Underline"), false) || font.Underline;
    font.Strikeout = store.ReadBool(valueName(prefix, "Strikeout"), false) || font.Strikeout;
    return true;
}

void WqStoreWindowRect(TWqPersistentData& store, std::string_view key, const TWqRect& rect) {
    KeepCurrentKey keep(store);
    TWqUpdateScope scope(store);
    if (!key.empty())
        store.OpenKey(absoluteKey(key), true);
    const std::pair<std::string_view, int> values[] = {
        {"Left", rect.Left}, {"Top", rect.Top}, {"Width", rect.Width}, {"Height", rect.Height}};
    for (const auto& [word, value] : values)
        if (value != -1)
            store.WriteInteger(valueName(key, word), value);
    scope.commit();
}

TWqRect FitToScreen(TWqRect b, TWqScreenSize screen) noexcept {
    auto fit = [](int& pos, int& extent, int screenExtent) {
        if (pos + extent > screenExtent)
            pos = std::max(0, screenExtent - extent);
        if (pos < 0)
            pos = 0;
        if (extent > screenExtent)
            extent = screenExtent;
    };
    fit(b.Left, b.Width, screen.Width);
    fit(b.Top, b.Height, screen.Height);
    return b;
}

TWqWindowPlacement WqLoadWindowPlacement(TWqPersistentData& store, std::string_view key, const TWqRect& designed,
                                         TWqScreenSize screen, TDefaultPlacement defaultPlacement) {
    TWqWindowPlacement placement;
    placement.Bounds = designed;
    try {
        KeepCurrentKey keep(store);
        TWqRect stored;
        if (key.empty() || store.OpenKey(absoluteKey(key), false)) {
            stored.Left = store.ReadInteger(valueName(key, "Left"), -1);
            stored.Top = store.ReadInteger(valueName(key, "Top"), -1);
            stored.Width = store.ReadInteger(valueName(key, "Width"), -1);
            stored.Height = store.ReadInteger(valueName(key, "Height"), -1);
        }
        if (stored.Left != -1 && stored.Top != -1) {
            placement.Bounds.Left = stored.Left;
            placement.Bounds.Top = stored.Top;
            if (stored.Width != -1)
                placement.Bounds.Width = stored.Width;
            if (stored.Height != -1)
                placement.Bounds.Height = stored.Height;
        } else if (defaultPlacement == TDefaultPlacement::ScreenCenter) {
            placement.Bounds.Left = (screen.Width - designed.Width) / 2;
            placement.Bounds.Top = (screen.Height - designed.Height) / 2;
        } else {
            placement.PositionBySystem = true;
        }
        placement.Bounds = FitToScreen(placement.Bounds, screen);
    } catch (...) {
        // Placement is a convenience: whatever failed, the window keeps what was reached.
    }
    return placement;
}

} // namespace swapwright
