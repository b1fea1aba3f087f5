#pragma once

#include <QPoint>
#include <QPointer>
#include <QWidget>

// A bar between two controls of one parent, dragged to resize one of them: the visible sibling whose
// facing edge is closest to the bar (for bottom alignment the control below it, and so on). Place it
// in the parent's box layout between the control that takes the remaining space and the resized one;
// the splitter gives the resized control a fixed height (top/bottom) or width (left/right).
//
// Dragging changes the resized control's size by the distance moved, never below 10 pixels and never
// so far that the bar leaves the parent; the size ratio (resized size / parent size) follows. With
// KeepSizeRatio on, a resized parent gives the control its share again. The ratio is taken from the
// sizes when the splitter is first shown, unless it was set before.
namespace swapwright::gui {

enum class TWqAlign { Top, Bottom, Left, Right };

class TWqSplitter : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMinSize = 10;

    explicit TWqSplitter(TWqAlign align = TWqAlign::Left, QWidget* parent = nullptr);

    TWqAlign align() const noexcept { return m_align; }
    void setAlign(TWqAlign align);
    // Thickness in pixels (5 by default).
    int thickness() const noexcept { return m_thickness; }
    void setThickness(int pixels);

    bool KeepSizeRatio() const noexcept { return m_keepSizeRatio; }
    void SetKeepSizeRatio(bool on) { m_keepSizeRatio = on; }
    double sizeRatio() const noexcept { return m_sizeRatio; }
    void setSizeRatio(double ratio) { m_sizeRatio = ratio; }
    // Takes the ratio from the resized control's current size (after its size was set from outside).
    void updateSizeRatio();

    // The control the splitter resizes now (none when it has no visible sibling).
    QWidget* resizedControl() const;
    bool dragging() const noexcept { return m_dragStart != QPoint(-1, -1); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool vertical() const noexcept { return m_align == TWqAlign::Top || m_align == TWqAlign::Bottom; }
    int extent(const QWidget& widget) const;
    int parentExtent() const;
    int largestSize(const QWidget& control) const;
    void applySize(QWidget& control, int size);
    void watchParent();

    TWqAlign m_align;
    int m_thickness = 5;
    bool m_keepSizeRatio = true;
    double m_sizeRatio = 0;
    QPoint m_dragStart{-1, -1};
    int m_dragStartSize = 0;
    QPointer<QWidget> m_dragControl;
    QPointer<QWidget> m_watchedParent;
};

} // namespace swapwright::gui
