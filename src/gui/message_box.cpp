#include "gui/message_box.h"

#include "gui/text_convert.h"

#include <QApplication>

namespace swapwright::gui {

namespace {

std::optional<QMessageBox::StandardButton>& nextAnswer() {
    static std::optional<QMessageBox::StandardButton> answer;
    return answer;
}

std::optional<MessageBox::Message>& lastShown() {
    static std::optional<MessageBox::Message> message;
    return message;
}

QString withLineBreaks(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

QString severityTitle(MessageSeverity severity) {
    switch (severity) {
    case MessageSeverity::Information:
        return QStringLiteral("Information");
    case MessageSeverity::Confirm:
        return QStringLiteral("Confirm");
    case MessageSeverity::Warning:
        return QStringLiteral("Warning");
    case MessageSeverity::Error:
        return QStringLiteral("Error");
    }
    return QStringLiteral("Error");
}

QMessageBox::Icon severityIcon(MessageSeverity severity) {
    switch (severity) {
    case MessageSeverity::Information:
        return QMessageBox::Information;
    case MessageSeverity::Confirm:
        return QMessageBox::Question;
    case MessageSeverity::Warning:
        return QMessageBox::Warning;
    case MessageSeverity::Error:
        return QMessageBox::Critical;
    }
    return QMessageBox::Critical;
}

std::unique_ptr<QMessageBox> MessageBox::create(QWidget* parent, MessageSeverity severity, const QString& text,
                                                QMessageBox::StandardButtons buttons,
                                                QMessageBox::StandardButton defaultButton) {
    if (!parent)
        parent = QApplication::activeWindow();
    auto box = std::make_unique<QMessageBox>(severityIcon(severity), severityTitle(severity), withLineBreaks(text),
                                             buttons, parent);
    box->setTextFormat(Qt::PlainText);
    if (defaultButton != QMessageBox::NoButton)
        box->setDefaultButton(defaultButton);
    box->setAccessibleName(severityTitle(severity));
    return box;
}

QMessageBox::StandardButton MessageBox::show(QWidget* parent, MessageSeverity severity, const QString& text,
                                             QMessageBox::StandardButtons buttons,
                                             QMessageBox::StandardButton defaultButton) {
    lastShown() = Message{severity, severityTitle(severity), withLineBreaks(text)};
    if (auto answer = nextAnswer()) {
        nextAnswer().reset();
        return *answer;
    }
    auto box = create(parent, severity, text, buttons, defaultButton);
    box->exec();
    // exec() returns the button for standard buttons; a box closed without one gives its escape button.
    QAbstractButton* clicked = box->clickedButton();
    return clicked ? box->standardButton(clicked) : QMessageBox::NoButton;
}

void MessageBox::setNextAnswer(QMessageBox::StandardButton answer) { nextAnswer() = answer; }
std::optional<MessageBox::Message> MessageBox::lastMessage() { return lastShown(); }
void MessageBox::clearLastMessage() { lastShown().reset(); }

bool MessageBoxQuestion::askYesNo(MessageSeverity severity, std::string_view text) {
    return MessageBox::show(m_parent, severity, toDisplayText(text), QMessageBox::Yes | QMessageBox::No,
                            QMessageBox::Yes) == QMessageBox::Yes;
}

} // namespace swapwright::gui
