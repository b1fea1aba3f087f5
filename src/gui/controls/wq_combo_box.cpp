#include "gui/controls/wq_combo_box.h"

#include <QAbstractItemModel>

namespace swapwright::gui {

TWqComboBox::TWqComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    connect(model(), &QAbstractItemModel::rowsInserted, this, [this] { sortItems(); });
}

int TWqComboBox::ItemIndex() const {
    const QString shown = currentText();
    for (int i = 0; i < count(); ++i)
        if (itemText(i).compare(shown, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TWqComboBox::SetItemIndex(int index) {
    setCurrentIndex(index >= 0 && index < count() ? index : -1);
    if (isEditable())
        setEditText(index >= 0 && index < count() ? itemText(index) : QString());
}

void TWqComboBox::SetReadOnly(bool on) {
    if (on == m_readOnly)
        return;
    m_readOnly = on;
    const QString shown = currentText();
    setEditable(!on);
    if (!on)
        setEditText(shown);
}

void TWqComboBox::SetSorted(bool on) {
    m_sorted = on;
    sortItems();
}

void TWqComboBox::sortItems() {
    if (!m_sorted || m_sorting)
        return;
    m_sorting = true;
    const QString shown = currentText();
    model()->sort(modelColumn());
    setCurrentIndex(findText(shown));
    m_sorting = false;
}

} // namespace swapwright::gui
