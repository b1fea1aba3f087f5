#pragma once

#include "core/session/undo_journal.h"
#include "core/settings/app_store.h"
#include "core/store/persistent_data.h"
#include "gui/main_window.h"

#include <QAction>
#include <QElapsedTimer>
#include <QTest>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

// What the GUI tests share: the real main window on a settings file of the test's own, actions
// triggered by name once they are there and enabled, and the values a settings file holds.
namespace swapwright::gui::test {

// Fails the test unless the action exists and is enabled, then triggers it.
#define TRIGGER(window, name)                                                                  \
    do {                                                                                       \
        QAction* action_ = (window).action(name);                                              \
        QVERIFY2(action_ != nullptr, "no action " name);                                       \
        QVERIFY2(action_->isEnabled(), name " is not enabled");                                \
        action_->trigger();                                                                    \
    } while (false)

// Serves events until the condition holds or the time is up; true when it holds.
template <typename Condition>
bool waitFor(Condition condition, int milliseconds = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QTest::qWait(5);
    }
    return true;
}

// The main window on the settings file, shown, with its start-up work done; its runs keep their
// undo data where the program would (below XDG_STATE_HOME, which the tests point into a folder of their own).
inline std::unique_ptr<TMainWindow> startWindow(const std::string& storeFile, std::vector<std::string> arguments = {}) {
    TMainWindow::Options options;
    options.StoreFileName = storeFile;
    options.UndoFolder = DefaultUndoFolder(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
    options.Arguments = std::move(arguments);
    auto window = std::make_unique<TMainWindow>(std::move(options));
    window->show();
    window->activateWindow();
    (void)QTest::qWaitForWindowActive(window.get());
    waitFor([&] { return window->started(); });
    return window;
}

// The values of one key of a settings file, by name, as the store reads them.
inline std::map<std::string, std::string> storedValues(const std::string& file, const std::string& key) {
    const auto store = CreateAppPersistentData(file);
    std::map<std::string, std::string> values;
    store->ForEachValueName("\\" + key, [&](const std::string& name) { values[name] = store->ReadString(name, ""); });
    return values;
}

} // namespace swapwright::gui::test
