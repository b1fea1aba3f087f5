#pragma once

#include <QHeaderView>

// A header whose texts end in an ellipsis when their section is too narrow for them, instead of
// being cut at both sides; the whole text stays the section's text (and its tooltip).
namespace swapwright::gui {

class TElidingHeaderView : public QHeaderView {
    Q_OBJECT
public:
    explicit TElidingHeaderView(Qt::Orientation orientation, QWidget* parent = nullptr);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

} // namespace swapwright::gui
