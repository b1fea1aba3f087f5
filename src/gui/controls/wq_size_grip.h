#pragma once

#include <QSizeGrip>

// A 15 x 15 grip that keeps itself in the lower right corner of its parent, above the other children;
// dragging it resizes the window it sits in. It draws the usual diagonal lines in the button colours.
namespace swapwright::gui {

class TWqSizeGrip : public QSizeGrip {
    Q_OBJECT
public:
    static constexpr int kSize = 15;
    explicit TWqSizeGrip(QWidget* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void placeInCorner();
};

} // namespace swapwright::gui
