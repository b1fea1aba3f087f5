#include "gui/controls/button_bar.h"

#include "gui/icons.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QToolButton>

namespace swapwright::gui {

ButtonBar::ButtonBar(int height, QWidget* parent)
    : QWidget(parent), m_layout(new QHBoxLayout(this)), m_close(new QPushButton(QStringLiteral("C&lose"), this)) {
    setFixedHeight(height);
    m_layout->setContentsMargins(0, 0, 15, 0);
    m_layout->setSpacing(0);
    m_layout->addStretch(1);
    m_close->setObjectName(QStringLiteral("BtnClose"));
    m_close->setIcon(icons::icon(icons::BtnOk));
    m_close->setAccessibleName(QStringLiteral("Close"));
    m_close->setDefault(true);
    m_close->setAutoDefault(true);
    m_layout->addWidget(m_close, 0, Qt::AlignVCenter);
}

QToolButton* ButtonBar::addIconButton(const QString& objectName, std::string_view iconName, const QString& hint) {
    auto* button = new QToolButton(this);
    button->setObjectName(objectName);
    button->setIcon(icons::icon(iconName));
    const int side = height();
    button->setFixedSize(side, side);
    button->setIconSize(QSize(side - 11, side - 11));
    button->setAutoRaise(true);
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setFocusPolicy(Qt::TabFocus);
    m_layout->insertWidget(m_iconButtons++, button);
    return button;
}

} // namespace swapwright::gui
