#pragma once

#include <QWidget>

#include <string_view>

class QHBoxLayout;
class QPushButton;
class QToolButton;

// The bar at the bottom of the report and exception dialogs: square flat icon buttons from the left,
// each with its hint as tooltip and accessible name, and at the right a "C&lose" push button with the
// BTNOKBMP glyph, 15 pixels from the right edge and centred vertically.
namespace swapwright::gui {

class ButtonBar : public QWidget {
    Q_OBJECT
public:
    ButtonBar(int height, QWidget* parent);

    // A flat button as wide as the bar is high.
    QToolButton* addIconButton(const QString& objectName, std::string_view iconName, const QString& hint);
    QPushButton* closeButton() const noexcept { return m_close; }

private:
    QHBoxLayout* m_layout;
    QPushButton* m_close;
    int m_iconButtons = 0;
};

} // namespace swapwright::gui
