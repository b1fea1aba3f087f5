#include "gui/controls/wq_size_grip.h"

#include <QEvent>
#include <QPainter>

namespace swapwright::gui {

TWqSizeGrip::TWqSizeGrip(QWidget* parent) : QSizeGrip(parent) {
    setFixedSize(kSize, kSize);
    setCursor(Qt::SizeFDiagCursor);
    setAccessibleName(QStringLiteral("Size Grip"));
    parent->installEventFilter(this);
    placeInCorner();
}

void TWqSizeGrip::placeInCorner() {
    if (QWidget* parent = parentWidget()) {
        move(parent->width() - kSize, parent->height() - kSize);
        raise();
    }
}

bool TWqSizeGrip::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest ||
                                      event->type() == QEvent::ChildAdded))
        placeInCorner();
    return QSizeGrip::eventFilter(watched, event);
}

void TWqSizeGrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int w = width();
    const int h = height();
    // Three pairs of lines across the corner: a light one above a dark one.
    for (int offset = 3; offset <= 11; offset += 4) {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(w - offset - 1, h - 1, w - 1, h - offset - 1);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(w - offset, h - 1, w - 1, h - offset);
        painter.drawLine(w - offset + 1, h - 1, w - 1, h - offset + 1);
    }
}

} // namespace swapwright::gui
