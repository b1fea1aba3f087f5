#pragma once

#include "core/base/table_observer.h"
#include "core/filelist/file_list_model.h"

#include <QAbstractTableModel>
#include <QIcon>

// The file list as a Qt item model: a thin view of the core's TFileListModel that forwards its
// notifications and keeps no copy of the entries. Column 0 shows the full stored name (as text,
// its bytes under FileNameBytesRole), its check box and state image; column 1 the prefix text;
// column 2 the size, right-aligned.
namespace swapwright::gui {

class TFileListItemModel final : public QAbstractTableModel, private ITableObserver {
    Q_OBJECT
public:
    // The entry's file name as the bytes the core holds (QByteArray).
    static constexpr int FileNameBytesRole = Qt::UserRole + 1;

    explicit TFileListItemModel(TFileListModel& list, QObject* parent = nullptr);
    ~TFileListItemModel() override;

    TFileListModel& list() noexcept { return m_list; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The name edited in place (kept byte for byte when it reads as before) and the check box.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void rowsAboutToBeInserted(int first, int last) override;
    void rowsInserted(int first, int last) override;
    void rowsAboutToBeRemoved(int first, int last) override;
    void rowsRemoved(int first, int last) override;
    void rowsChanged(int first, int last) override;
    void modelAboutToBeReset() override;
    void modelReset() override;

    TFileListModel& m_list;
    QIcon m_exists;
    QIcon m_missing;
};

} // namespace swapwright::gui
