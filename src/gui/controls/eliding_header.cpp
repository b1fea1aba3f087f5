#include "gui/controls/eliding_header.h"

#include <QPainter>
#include <QStyleOptionHeader>

namespace swapwright::gui {

TElidingHeaderView::TElidingHeaderView(Qt::Orientation orientation, QWidget* parent) : QHeaderView(orientation, parent) {}

void TElidingHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid())
        return;
    QStyleOptionHeader option;
    initStyleOptionForIndex(&option, logicalIndex);
    option.rect = rect;
    const int margin = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, &option, this);
    const int room = rect.width() - margin;
    if (option.fontMetrics.horizontalAdvance(option.text) > room)
        option.text = option.fontMetrics.elidedText(option.text, Qt::ElideRight, std::max(0, room));
    painter->save();
    style()->drawControl(QStyle::CE_Header, &option, painter, this);
    painter->restore();
}

} // namespace swapwright::gui
