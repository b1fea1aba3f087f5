#include "gui/models/grid_item_model.h"

#include "gui/text_convert.h"

namespace swapwright::gui {

TFindReplaceGridItemModel::TFindReplaceGridItemModel(TFindReplaceGridModel& grid, QObject* parent)
    : QAbstractTableModel(parent), m_grid(grid) {
    m_grid.observers().add(this);
}

TFindReplaceGridItemModel::~TFindReplaceGridItemModel() { m_grid.observers().remove(this); }

int TFindReplaceGridItemModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_grid.definitionRowCount();
}

int TFindReplaceGridItemModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_grid.columnCount();
}

QVariant TFindReplaceGridItemModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int column = index.column();
    const int row = index.row();
    if (column == colNo) {
        if (role == Qt::DisplayRole)
            return QString::number(row + 1);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
        return {};
    }
    const std::string& text = m_grid.cellText(column, row);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return toDisplayText(text);
    case Qt::CheckStateRole:
        if (TFindReplaceGridModel::isSwitchColumn(column))
            return m_grid.isSwitchOn(column, row) ? Qt::Checked : Qt::Unchecked;
        return {};
    case CellBytesRole: return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
    default: return {};
    }
}

bool TFindReplaceGridItemModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    const int column = index.column();
    const int row = index.row();
    if (role == Qt::CheckStateRole && TFindReplaceGridModel::isSwitchColumn(column)) {
        const bool on = value.toInt() == Qt::Checked;
        return m_grid.setCell(column, row, std::string(on ? kSwitchOnText : kSwitchOffText));
    }
    if (role == Qt::EditRole && (column == colFind || column == colReplacement))
        return m_grid.setCell(column, row, toEditedBytes(value.toString(), m_grid.cellText(column, row)));
    return false;
}

Qt::ItemFlags TFindReplaceGridItemModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    const int column = index.column();
    if (column == colFind || column == colReplacement)
        f |= Qt::ItemIsSelectable | Qt::ItemIsEditable;
    else if (TFindReplaceGridModel::isSwitchColumn(column))
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant TFindReplaceGridItemModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole && section >= 0 && section < rowCount())
            return QString::number(section + 1);
        return {};
    }
    if (section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return toDisplayText(kGridColumnHeaders[static_cast<std::size_t>(section)]);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}

void TFindReplaceGridItemModel::rowsAboutToBeInserted(int first, int last) { beginInsertRows({}, first, last); }
void TFindReplaceGridItemModel::rowsInserted(int, int) { endInsertRows(); }
void TFindReplaceGridItemModel::rowsAboutToBeRemoved(int first, int last) { beginRemoveRows({}, first, last); }
void TFindReplaceGridItemModel::rowsRemoved(int, int) { endRemoveRows(); }
void TFindReplaceGridItemModel::rowsChanged(int first, int last) {
    if (first <= last)
        emit dataChanged(index(first, 0), index(last, columnCount() - 1));
}
void TFindReplaceGridItemModel::modelAboutToBeReset() { beginResetModel(); }
void TFindReplaceGridItemModel::modelReset() { endResetModel(); }

} // namespace swapwright::gui
