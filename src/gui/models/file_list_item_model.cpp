#include "gui/models/file_list_item_model.h"

#include "gui/icons.h"
#include "gui/text_convert.h"

namespace swapwright::gui {

namespace {
enum Column { NameColumn = 0, PrefixColumn = 1, SizeColumn = 2 };
}

TFileListItemModel::TFileListItemModel(TFileListModel& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list), m_exists(icons::icon(icons::FileStateNormal)),
      m_missing(icons::icon(icons::FileStateMissing)) {
    m_list.observers().add(this);
}

TFileListItemModel::~TFileListItemModel() { m_list.observers().remove(this); }

int TFileListItemModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_list.entryCount();
}

int TFileListItemModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(kFileListColumnCaptions.size());
}

QVariant TFileListItemModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const TFileListEntry& entry = m_list.entry(index.row());
    switch (index.column()) {
    case NameColumn:
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
        case Qt::ToolTipRole: return toDisplayText(entry.FileName);
        case Qt::CheckStateRole: return entry.Checked ? Qt::Checked : Qt::Unchecked;
        case Qt::DecorationRole: return entry.StateImage == fsiExists ? m_exists : m_missing;
        case FileNameBytesRole:
            return QByteArray(entry.FileName.data(), static_cast<qsizetype>(entry.FileName.size()));
        default: return {};
        }
    case PrefixColumn:
        if (role == Qt::DisplayRole)
            return toDisplayText(entry.PrefixText);
        return {};
    case SizeColumn:
        if (role == Qt::DisplayRole)
            return toDisplayText(entry.SizeText);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return {};
    default: return {};
    }
}

bool TFileListItemModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
        index.column() != NameColumn)
        return false;
    if (role == Qt::CheckStateRole) {
        m_list.setChecked(index.row(), value.toInt() == Qt::Checked);
        return true;
    }
    if (role == Qt::EditRole) {
        m_list.RenameEntry(index.row(), toEditedBytes(value.toString(), m_list.entry(index.row()).FileName));
        return true;
    }
    return false;
}

Qt::ItemFlags TFileListItemModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == NameColumn)
        f |= Qt::ItemIsUserCheckable | Qt::ItemIsEditable;
    return f;
}

QVariant TFileListItemModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return toDisplayText(kFileListColumnCaptions[static_cast<std::size_t>(section)]);
    if (role == Qt::TextAlignmentRole && section == SizeColumn)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return {};
}

void TFileListItemModel::rowsAboutToBeInserted(int first, int last) { beginInsertRows({}, first, last); }
void TFileListItemModel::rowsInserted(int, int) { endInsertRows(); }
void TFileListItemModel::rowsAboutToBeRemoved(int first, int last) { beginRemoveRows({}, first, last); }
void TFileListItemModel::rowsRemoved(int, int) { endRemoveRows(); }
void TFileListItemModel::rowsChanged(int first, int last) {
    if (first <= last)
        emit dataChanged(index(first, 0), index(last, columnCount() - 1));
}
void TFileListItemModel::modelAboutToBeReset() { beginResetModel(); }
void TFileListItemModel::modelReset() { endResetModel(); }

} // namespace swapwright::gui
