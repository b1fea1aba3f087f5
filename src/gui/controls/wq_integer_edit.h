#pragma once

#include <QLineEdit>

#include <cstdint>
#include <optional>

class QToolButton;

// An edit field for a 32-bit integer with up and down spin buttons at its right end.
//
// Typing: control characters, digits, '+', '-' and the locale's decimal separator are taken, any other
// character is refused with the default beep. Up/Down (keys and buttons) add/subtract the increment;
// in a read-only edit they only beep. The value reads the text's digits, negative when the first
// non-blank character is '-', and MinValue when there are none. Leaving the field writes the value
// back in decimal, inside the range: MinValue = MaxValue = 0 means no range, MaxValue < MinValue only
// a lower bound, otherwise both bounds.
namespace swapwright::gui {

class TWqIntegerEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TWqIntegerEdit(QWidget* parent = nullptr);

    std::int32_t MinValue() const noexcept { return m_minValue; }
    void SetMinValue(std::int32_t value) { m_minValue = value; }
    std::int32_t MaxValue() const noexcept { return m_maxValue; }
    void SetMaxValue(std::int32_t value) { m_maxValue = value; }
    std::int32_t increment() const noexcept { return m_increment; }
    void setIncrement(std::int32_t increment) { m_increment = increment; }

    // The value the text reads as (no range check).
    std::int32_t value() const;
    // Shows the value, brought into the range.
    void setValue(std::int32_t value);
    // What leaving the field does: the text becomes the decimal form of its value inside the range.
    // For callers that read the value while the field still has the focus (a default button).
    void checkText();

    // The range rule applied to a value.
    std::int32_t checkValue(std::int64_t value) const noexcept;

    QToolButton* incrementButton() const noexcept { return m_up; }
    QToolButton* decrementButton() const noexcept { return m_down; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void spin(std::int32_t direction);
    bool acceptsTyped(const QString& text) const;

    std::int32_t m_minValue = 0;
    std::int32_t m_maxValue = 0;
    std::int32_t m_increment = 1;
    QToolButton* m_up;
    QToolButton* m_down;
};

// The reading rule on a text: its digits, with a minus sign when the first non-blank character is a
// minus; nullopt when it holds no digit. Saturates at the 32-bit bounds.
std::optional<std::int64_t> readIntegerText(const QString& text);

} // namespace swapwright::gui
