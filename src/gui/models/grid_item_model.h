#pragma once

#include "core/base/table_observer.h"
#include "core/grid/find_replace_grid_model.h"

#include <QAbstractTableModel>

// The find/replace grid as a Qt item model: a thin view of the core's TFindReplaceGridModel that
// forwards its notifications and keeps no copy of the cells. Header texts and cell texts come from
// the core; column 0 is the row number. A switch cell shows its stored text and, under
// Qt::CheckStateRole, whether it reads as on.
namespace swapwright::gui {

class TFindReplaceGridItemModel final : public QAbstractTableModel, private ITableObserver {
    Q_OBJECT
public:
    // A cell's text as the bytes the core holds (QByteArray).
    static constexpr int CellBytesRole = Qt::UserRole + 1;

    explicit TFindReplaceGridItemModel(TFindReplaceGridModel& grid, QObject* parent = nullptr);
    ~TFindReplaceGridItemModel() override;

    TFindReplaceGridModel& grid() noexcept { return m_grid; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Find and Replacement texts (kept byte for byte when they read as before) and switch states.
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

    TFindReplaceGridModel& m_grid;
};

} // namespace swapwright::gui
