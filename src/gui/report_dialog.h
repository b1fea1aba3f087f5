#pragma once

#include "core/engine/report_document.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <cstddef>
#include <memory>
#include <string_view>

class QFileDialog;
class QPlainTextEdit;
class QToolButton;

namespace swapwright {
class TWqPersistentData;
}

// "Operation Report": shows the report document of the runs while they go on and afterwards, and
// prints, saves, copies and clears it. The window owns the document; a run writes into document()
// and the window shows the new lines at the next turn of the event loop (a run's yield included),
// at most ten times a second, all lines added since the last showing in one edit. Its position and size are kept under
// "Report Form" ("Left", "Top", "Width", "Height"), read when it is made and written when it goes.
namespace swapwright::gui {

class TWqReportDlg final : public QDialog, private IReportView {
    Q_OBJECT
public:
    static constexpr std::string_view kPlacementKey = "Report Form";
    static constexpr int kMinimumWidth = 350;
    static constexpr int kMinimumHeight = 300;
    // Milliseconds between two showings of new lines, at the least.
    static constexpr int kFlushInterval = 100;

    explicit TWqReportDlg(TWqPersistentData* store = nullptr, QWidget* parent = nullptr);
    ~TWqReportDlg() override;

    // The program's report window: made hidden on first use (with that store; later calls ignore it)
    // and kept until the program ends. destroyInstance() ends it earlier, writing its placement
    // while the store is still there; it is also called when the application object goes.
    static TWqReportDlg& instance(TWqPersistentData* store = nullptr);
    static bool hasInstance() noexcept;
    static void destroyInstance() noexcept;

    // What runs write into: the run's report receiver.
    TReportDocument& document() noexcept { return m_document; }
    const TReportDocument& document() const noexcept { return m_document; }
    QPlainTextEdit* textArea() const noexcept { return m_text; }

    // Shows every line of the document that the text area does not show yet.
    void flush();

    // The buttons.
    void print();
    void saveToFile();
    void copyToClipboard();
    void changeFont();
    void clearReport();
    void setWrapLines(bool on);

    // Saves the document as rich text when the name ends in ".rtf" (any case), else as plain text
    // with CR LF after every line; under the wait cursor. A failure raises EFCreateError.
    void saveReport(const QString& fileName);
    // The save dialog as saveToFile() runs it.
    std::unique_ptr<QFileDialog> createSaveDialog();
    // The text area's font (what the Change Font button sets); lines of size 0 follow it.
    void setTextFont(const QFont& font);
    // The normal font as the rich text file names it: the stored family and its size in points.
    TReportFont normalFont() const;
    // "Operation Report: " with the short date and the long time of now.
    QString printJobTitle() const;

private:
    void reportCleared() override;
    void reportLineAdded(std::size_t index) override;
    void reportShowRequested() override;

    TReportDocument m_document;
    TWqPersistentData* m_store;
    QPlainTextEdit* m_text;
    QToolButton* m_wrapLines;
    QTimer m_flushTimer;
    QElapsedTimer m_lastFlush;
    std::size_t m_shown = 0; // lines of the document the text area shows
};

} // namespace swapwright::gui
