#pragma once

#include "core/base/host.h"
#include "core/engine/progress_state.h"
#include "gui/qt_date_time_formatter.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string_view>
#include <utility>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

namespace swapwright {
class TWqPersistentData;
}

// "Please Wait ...": the window that drives a long operation over a number of items. It is made,
// shown, calls the work and is destroyed again (RunWithProgress); the work reports into progress()
// and lets the window serve its events through yield(). It draws the progress state: the current
// item's text and bar, with two or more items the overall caption and bar, the time text; the
// cancel button, Esc and the close box set the state's cancel flag.
namespace swapwright::gui {

class TWqProgressForm final : public QWidget, private IProgressDrawer {
    Q_OBJECT
public:
    static constexpr std::string_view kPlacementKey = "Progress Form";
    static constexpr int kWidth = 440;
    static constexpr int kHeightOneItem = 140;
    static constexpr int kHeightMoreItems = 180;
    // While the work runs the item text is drawn at once, but at most this often (milliseconds):
    // files that follow each other faster than that show their text at the next chance.
    static constexpr int kItemTextInterval = 20;

    // `clock` replaces the monotonic clock of the time texts (pictures and tests).
    explicit TWqProgressForm(int itemCount, TWqPersistentData* store = nullptr, QWidget* parent = nullptr,
                             TProgressState::Clock clock = {});
    ~TWqProgressForm() override;

    // What the work reports into (the run's progress receiver) and what it reads the cancel state from.
    TProgressState& progress() noexcept { return m_state; }
    const TProgressState& progress() const noexcept { return m_state; }
    // The run's cooperative yield: serves pending events; nothing they raise reaches the work.
    IYield& yield() noexcept { return m_yield; }
    const IDateTimeFormatter& dates() const noexcept { return m_dates; }

    // Sets the cancel state (the cancel button, the close box, the program's exit during the work).
    void cancel() noexcept { m_state.cancel(); }
    bool canceled() const noexcept { return m_state.canceled(); }

    // Starts the state and the 1000 ms timer, calls the work, then empties the time text and stops
    // the timer, also when the work raises an error (which travels on).
    void execute(const std::function<void(TWqProgressForm&)>& work);

    // The window whose work is running now (none: no work runs).
    static TWqProgressForm* running() noexcept { return s_running; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class Yield final : public IYield {
    public:
        void processPendingMessages() override;
    };

    void progressChanged(const TProgressChanges& changes) override;
    void showItemText();
    void drawItemTextNow();
    void storePlacement() noexcept;

    QtDateTimeFormatter m_dates;
    TProgressState m_state;
    Yield m_yield;
    TWqPersistentData* m_store;
    QTimer m_timer;
    QTimer m_itemTextTimer;
    QElapsedTimer m_itemTextDrawn;

    QFrame* m_picture;
    QLabel* m_itemText;
    QProgressBar* m_itemBar;
    QLabel* m_overallCaption;
    QProgressBar* m_overallBar;
    QLabel* m_timeText;
    QPushButton* m_cancel;

    static TWqProgressForm* s_running;
};

// Run with progress: makes the window for that many items, shows it (without waiting for it to be
// closed), executes the work in it and destroys it again, also when the work ends by an error, which
// then travels on to the caller.
void RunWithProgress(int itemCount, TWqPersistentData* store, const std::function<void(TWqProgressForm&)>& work,
                     QWidget* parent = nullptr);

// The same with the work's own data, handed to the work untouched.
template <typename Data, typename Work>
void RunWithProgress(int itemCount, Data& data, TWqPersistentData* store, Work&& work, QWidget* parent = nullptr) {
    RunWithProgress(
        itemCount, store, [&](TWqProgressForm& form) { std::forward<Work>(work)(form, data); }, parent);
}

} // namespace swapwright::gui
