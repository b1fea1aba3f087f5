#pragma once

#include <QComboBox>

// A combo box whose ItemIndex is the position of the shown text among its items, compared without
// regard to letter case (-1 when absent). ReadOnly (on by default): the text is only chosen from the
// list, never typed. Sorted keeps the items in alphabetical order.
namespace swapwright::gui {

class TWqComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TWqComboBox(QWidget* parent = nullptr);

    int ItemIndex() const;
    // Shows the item's text; an index outside the items shows nothing.
    void SetItemIndex(int index);

    bool ReadOnly() const noexcept { return m_readOnly; }
    void SetReadOnly(bool on);

    bool Sorted() const noexcept { return m_sorted; }
    void SetSorted(bool on);

private:
    void sortItems();

    bool m_readOnly = true;
    bool m_sorted = false;
    bool m_sorting = false;
};

} // namespace swapwright::gui
