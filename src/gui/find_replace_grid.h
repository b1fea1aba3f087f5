#pragma once

#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

#include <vector>

namespace swapwright {
class TFindReplaceGridModel;
}

// The find/replace grid: a table view over TFindReplaceGridItemModel. The header row shows the
// column names, column 0 the row numbers, the switch cells (Use, Case, Words) a 15 x 15 check box
// centred in the cell. A switch cell never becomes the current cell: a mouse click on it, or an
// arrow key or Tab that would move onto it, flips it and leaves the current cell where it was.
// Find and Replacement are edited in place with a multi-line editor: Enter inserts a line break,
// Ctrl+Enter or leaving the cell commits, Esc reverts.
namespace swapwright::gui {

class TFindReplaceGridItemModel;
class TFindReplaceGridDelegate;

class TWqFindReplaceGrid : public QTableView {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 20;
    static constexpr int kDefaultColumnWidth = 200;
    static constexpr int kCheckBoxSize = 15;

    explicit TWqFindReplaceGrid(QWidget* parent = nullptr);

    // The view shows this model (owned by the caller) and makes the first Find cell current.
    void setGridModel(TFindReplaceGridItemModel* model);
    TFindReplaceGridItemModel* gridModel() const noexcept { return m_model; }

    // Column widths in pixels, columns 0 to 6.
    std::vector<int> columnWidths() const;
    void setColumnWidths(const std::vector<int>& widths);
    // Writes what the open cell editor holds into the cell (before a run or a save).
    void commitEdit();

signals:
    // After every mouse click in the grid and after every switch flipped from the keyboard: the
    // main window brings the enabled state of its run action up to date.
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    // The rule for a cell that is about to become current: true when the move may go on. A switch
    // cell is flipped and refused, a fixed cell refused.
    bool mayBecomeCurrent(const QModelIndex& index);
    // The current cell again after the model was reset or lost rows: the core's current cell.
    void restoreCurrentCell();

    TFindReplaceGridItemModel* m_model = nullptr;
    TFindReplaceGridDelegate* m_delegate;
    bool m_pressHandled = false;
};

// Draws the switch cells as check boxes, the row numbers and Sum cells like header cells, and line
// breaks in texts as a visible mark; edits Find and Replacement with a multi-line editor.
class TFindReplaceGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;

    // Writes the open editor's text into its cell, if an editor is open.
    void commitOpenEditor();

    // A cell text as the grid shows it: line breaks (CR LF, CR, LF) as U+21B5.
    static QString shownText(QString text);
    // The editor's text as the cell's new text: unchanged line breaks keep the cell's own (a text
    // that had CR LF gets CR LF for every line break), otherwise LF.
    static QString editedText(const QString& editorText, const QString& cellText);

protected:
    bool eventFilter(QObject* editor, QEvent* event) override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    mutable QPointer<QWidget> m_openEditor;
};

} // namespace swapwright::gui
