#include "gui/controls/wq_splitter.h"

#include <QEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

#include <algorithm>
#include <cmath>
#include <limits>

namespace swapwright::gui {

TWqSplitter::TWqSplitter(TWqAlign align, QWidget* parent) : QWidget(parent), m_align(align) {
    setAccessibleName(QStringLiteral("Splitter"));
    setAlign(align);
    watchParent();
}

void TWqSplitter::setAlign(TWqAlign align) {
    m_align = align;
    setCursor(vertical() ? Qt::SplitVCursor : Qt::SplitHCursor);
    setThickness(m_thickness);
}

void TWqSplitter::setThickness(int pixels) {
    m_thickness = std::max(1, pixels);
    if (vertical()) {
        setFixedHeight(m_thickness);
        setMinimumWidth(0);
        setMaximumWidth(QWIDGETSIZE_MAX);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    } else {
        setFixedWidth(m_thickness);
        setMinimumHeight(0);
        setMaximumHeight(QWIDGETSIZE_MAX);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    }
}

int TWqSplitter::extent(const QWidget& widget) const { return vertical() ? widget.height() : widget.width(); }

int TWqSplitter::parentExtent() const { return parentWidget() ? extent(*parentWidget()) : 0; }

QWidget* TWqSplitter::resizedControl() const {
    if (!parentWidget())
        return nullptr;
    const QRect bar = geometry();
    QWidget* nearest = nullptr;
    int nearestDistance = std::numeric_limits<int>::max();
    for (QObject* child : parentWidget()->children()) {
        auto* sibling = qobject_cast<QWidget*>(child);
        if (!sibling || sibling == this || !sibling->isVisibleTo(parentWidget()) || sibling->isWindow())
            continue;
        const QRect r = sibling->geometry();
        int distance = 0;
        switch (m_align) {
        case TWqAlign::Top:
            distance = std::abs(bar.top() - (r.bottom() + 1));
            break;
        case TWqAlign::Bottom:
            distance = std::abs(r.top() - (bar.bottom() + 1));
            break;
        case TWqAlign::Left:
            distance = std::abs(bar.left() - (r.right() + 1));
            break;
        case TWqAlign::Right:
            distance = std::abs(r.left() - (bar.right() + 1));
            break;
        }
        if (distance < nearestDistance) {
            nearestDistance = distance;
            nearest = sibling;
        }
    }
    return nearest;
}

// The size at which the bar still lies inside the parent: everything else in the layout keeps its
// minimum.
int TWqSplitter::largestSize(const QWidget& control) const {
    const int parentSize = parentExtent();
    int others = m_thickness;
    QLayout* layout = parentWidget() ? parentWidget()->layout() : nullptr;
    const int index = layout ? layout->indexOf(&control) : -1;
    if (index >= 0) {
        const QSize all = layout->minimumSize();
        const QSize own = layout->itemAt(index)->minimumSize();
        others = vertical() ? all.height() - own.height() : all.width() - own.width();
    }
    return std::max(kMinSize, parentSize - std::max(others, m_thickness));
}

void TWqSplitter::applySize(QWidget& control, int size) {
    if (vertical())
        control.setFixedHeight(size);
    else
        control.setFixedWidth(size);
}

void TWqSplitter::updateSizeRatio() {
    QWidget* control = resizedControl();
    const int parentSize = parentExtent();
    if (control && parentSize > 0)
        m_sizeRatio = static_cast<double>(extent(*control)) / parentSize;
}

void TWqSplitter::watchParent() {
    if (m_watchedParent == parentWidget())
        return;
    if (m_watchedParent)
        m_watchedParent->removeEventFilter(this);
    m_watchedParent = parentWidget();
    if (m_watchedParent)
        m_watchedParent->installEventFilter(this);
}

bool TWqSplitter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_watchedParent && event->type() == QEvent::Resize && !dragging() && m_keepSizeRatio &&
        m_sizeRatio > 0) {
        const long rounded = std::lround(parentExtent() * m_sizeRatio);
        QWidget* control = resizedControl();
        if (rounded != 0 && control)
            applySize(*control, std::clamp(static_cast<int>(rounded), kMinSize, largestSize(*control)));
    }
    return QWidget::eventFilter(watched, event);
}

void TWqSplitter::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    watchParent();
    if (m_sizeRatio == 0)
        updateSizeRatio();
}

void TWqSplitter::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragControl = resizedControl();
    if (!m_dragControl)
        return;
    m_dragStart = event->globalPosition().toPoint();
    m_dragStartSize = extent(*m_dragControl);
    event->accept();
}

void TWqSplitter::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging() || !m_dragControl) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPoint moved = event->globalPosition().toPoint() - m_dragStart;
    int delta = 0;
    switch (m_align) {
    case TWqAlign::Top:
        delta = moved.y();
        break;
    case TWqAlign::Bottom:
        delta = -moved.y();
        break;
    case TWqAlign::Left:
        delta = moved.x();
        break;
    case TWqAlign::Right:
        delta = -moved.x();
        break;
    }
    const int size = std::clamp(m_dragStartSize + delta, kMinSize, largestSize(*m_dragControl));
    applySize(*m_dragControl, size);
    if (parentExtent() > 0)
        m_sizeRatio = static_cast<double>(size) / parentExtent();
    event->accept();
}

void TWqSplitter::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && dragging()) {
        m_dragStart = QPoint(-1, -1);
        m_dragControl = nullptr;
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void TWqSplitter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    option.state = QStyle::State_Enabled;
    if (!vertical())
        option.state |= QStyle::State_Horizontal;
    style()->drawControl(QStyle::CE_Splitter, &option, &painter, this);
}

} // namespace swapwright::gui
