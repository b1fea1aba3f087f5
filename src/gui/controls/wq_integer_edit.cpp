#include "gui/controls/wq_integer_edit.h"

#include "gui/sounds.h"

#include <QKeyEvent>
#include <QLocale>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <limits>

namespace swapwright::gui {

namespace {

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

std::int32_t saturated(std::int64_t value) noexcept {
    return static_cast<std::int32_t>(std::clamp(value, kInt32Min, kInt32Max));
}

// Digits and signs as typed ("-12", "+5", "5-"): converts when it is an optional sign and digits.
std::optional<std::int64_t> convertSigned(const QString& text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        negative = text[i++] == QLatin1Char('-');
    if (i == text.size())
        return std::nullopt;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        magnitude = std::min(magnitude * 10 + (c.unicode() - '0'), kInt32Max + 1);
    }
    return negative ? -magnitude : magnitude;
}

} // namespace

std::optional<std::int64_t> readIntegerText(const QString& text) {
    const QString trimmed = text.trimmed();
    const bool negative = trimmed.startsWith(QLatin1Char('-'));
    std::int64_t magnitude = 0;
    bool anyDigit = false;
    for (const QChar c : trimmed) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            anyDigit = true;
            magnitude = std::min(magnitude * 10 + (c.unicode() - '0'), kInt32Max + 1);
        }
    }
    if (!anyDigit)
        return std::nullopt;
    return saturated(negative ? -magnitude : magnitude);
}

TWqIntegerEdit::TWqIntegerEdit(QWidget* parent)
    : QLineEdit(QStringLiteral("0"), parent), m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
    const auto setUp = [this](QToolButton* button, Qt::ArrowType arrow, const QString& hint, const QString& name,
                              std::int32_t direction) {
        button->setArrowType(arrow);
        button->setToolTip(hint);
        button->setAccessibleName(hint);
        button->setObjectName(name);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setCursor(Qt::ArrowCursor);
        connect(button, &QToolButton::clicked, this, [this, direction] { spin(direction); });
    };
    setUp(m_up, Qt::UpArrow, QStringLiteral("Increment Value"), QStringLiteral("BtnIncrementValue"), 1);
    setUp(m_down, Qt::DownArrow, QStringLiteral("Decrement Value"), QStringLiteral("BtnDecrementValue"), -1);
}

std::int32_t TWqIntegerEdit::checkValue(std::int64_t v) const noexcept {
    if (m_minValue == 0 && m_maxValue == 0)
        return saturated(v);
    if (m_maxValue < m_minValue)
        return saturated(std::max<std::int64_t>(v, m_minValue));
    return saturated(std::clamp<std::int64_t>(v, m_minValue, m_maxValue));
}

std::int32_t TWqIntegerEdit::value() const {
    const auto read = readIntegerText(text());
    return read ? saturated(*read) : m_minValue;
}

void TWqIntegerEdit::setValue(std::int32_t v) { setText(QString::number(checkValue(v))); }

void TWqIntegerEdit::checkText() {
    if (text().isEmpty()) {
        setText(QString::number(m_minValue));
        return;
    }
    QString digitsAndSigns;
    for (const QChar c : text())
        if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') || c == QLatin1Char('+'))
            digitsAndSigns += c;
    // A sign after a digit ("5-", "1+2") does not convert; the value is then read the ordinary way.
    const auto converted = convertSigned(digitsAndSigns);
    setText(QString::number(checkValue(converted ? *converted : value())));
}

bool TWqIntegerEdit::acceptsTyped(const QString& typed) const {
    const QString decimalSeparator = locale().decimalPoint();
    for (const QChar c : typed) {
        const bool accepted = c.unicode() < 0x20 || c.unicode() == 0x7F ||
                              (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') ||
                              c == QLatin1Char('-') || decimalSeparator.contains(c);
        if (!accepted)
            return false;
    }
    return true;
}

void TWqIntegerEdit::spin(std::int32_t direction) {
    if (isReadOnly()) {
        playSystemSound(SystemSound::DefaultBeep);
        return;
    }
    setValue(checkValue(static_cast<std::int64_t>(value()) + static_cast<std::int64_t>(direction) * m_increment));
    selectAll();
}

void TWqIntegerEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        spin(event->key() == Qt::Key_Up ? 1 : -1);
        event->accept();
        return;
    }
    if (!event->text().isEmpty() && !acceptsTyped(event->text())) {
        playSystemSound(SystemSound::DefaultBeep);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TWqIntegerEdit::focusOutEvent(QFocusEvent* event) {
    // Only leaving the field counts, not a popup menu or another window taking the focus for a while.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        checkText();
    QLineEdit::focusOutEvent(event);
}

void TWqIntegerEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const int inner = height() - 2 * frame;
    const int buttonWidth = std::max(12, std::min(18, inner));
    const int upHeight = inner / 2;
    m_up->setGeometry(width() - frame - buttonWidth, frame, buttonWidth, upHeight);
    m_down->setGeometry(width() - frame - buttonWidth, frame + upHeight, buttonWidth, inner - upHeight);
    setTextMargins(0, 0, buttonWidth, 0);
}

} // namespace swapwright::gui
