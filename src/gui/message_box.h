#pragma once

#include "core/base/host.h"

#include <QMessageBox>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>
#include <string_view>

// Message boxes with a severity: the title is the severity's name ("Information", "Confirm",
// "Warning", "Error"), the icon its standard icon, the buttons the caller's choice.
namespace swapwright::gui {

QString severityTitle(MessageSeverity severity);
QMessageBox::Icon severityIcon(MessageSeverity severity);

class MessageBox {
public:
    // Shows the text modally over the parent (none: the active window) and returns the button chosen;
    // closing the box gives its escape button. CR LF in the text are line breaks.
    static QMessageBox::StandardButton show(QWidget* parent, MessageSeverity severity, const QString& text,
                                            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    // The box show() would run, built but not shown.
    static std::unique_ptr<QMessageBox> create(QWidget* parent, MessageSeverity severity, const QString& text,
                                               QMessageBox::StandardButtons buttons,
                                               QMessageBox::StandardButton defaultButton);

    // Test seam: the next show() returns this answer at once, without a window.
    static void setNextAnswer(QMessageBox::StandardButton answer);
    // What the last show() was asked to show (a test reads it after answering in advance).
    struct Message {
        MessageSeverity severity = MessageSeverity::Information;
        QString title;
        QString text;
    };
    static std::optional<Message> lastMessage();
    static void clearLastMessage();
};

// The core's Yes/No question as a message box with the buttons Yes and No (Yes the default).
class MessageBoxQuestion final : public IQuestion {
public:
    explicit MessageBoxQuestion(QWidget* parent = nullptr) : m_parent(parent) {}
    bool askYesNo(MessageSeverity severity, std::string_view text) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace swapwright::gui
