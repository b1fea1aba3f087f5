#pragma once

#include "gui/exception_information.h"

#include <QDialog>

#include <exception>
#include <string_view>

class QLineEdit;
class QTextEdit;

namespace swapwright {
class TWqPersistentData;
}

// Shows an exception that nothing else handled: the kind, where it was raised and its message, with
// an icon and a sound by level (0 information, 1 question, 2 warning, 3 error). Its buttons print an
// image of the dialog, copy the exception text and answer the mail button. Its position and size are
// kept under "Exception Dialog" in the store, when it is given one.
namespace swapwright::gui {

class TWqExceptionDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr std::string_view kPlacementKey = "Exception Dialog";

    // A level outside 0..3 raises EWqException "Unknown Warning Level".
    TWqExceptionDlg(const std::exception_ptr& exception, int level, TWqPersistentData* store = nullptr,
                    QWidget* parent = nullptr);
    TWqExceptionDlg(TWqExceptionInformation information, int level, TWqPersistentData* store = nullptr,
                    QWidget* parent = nullptr);

    const TWqExceptionInformation& information() const noexcept { return m_information; }
    int level() const noexcept { return m_level; }
    // The text the copy button puts on the clipboard.
    QString exceptionText() const;

    void done(int result) override;

    void printImage();
    void copyToClipboard();
    void mail();

private:
    void CreateControls();

    TWqExceptionInformation m_information;
    int m_level;
    TWqPersistentData* m_store;
};

} // namespace swapwright::gui
