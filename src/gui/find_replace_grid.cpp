#include "gui/find_replace_grid.h"

#include "core/grid/find_replace_grid_model.h"
#include "gui/controls/eliding_header.h"
#include "gui/models/grid_item_model.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextBlock>

#include <algorithm>

namespace swapwright::gui {

namespace {

constexpr QChar kLineBreakMark(0x21B5);
constexpr int kEditorMaxLines = 8;

bool isFixedColumn(int column) { return column == colNo || column == colSum; }

// The editor grows with its lines (up to kEditorMaxLines), never below the cell's height.
void fitEditorHeight(QPlainTextEdit* editor) {
    const int cellHeight = editor->property("cellHeight").toInt();
    const int lines = std::clamp(editor->document()->blockCount(), 1, kEditorMaxLines);
    const int margins = 2 * editor->frameWidth() + 2 * static_cast<int>(editor->document()->documentMargin());
    const int wanted = lines * editor->fontMetrics().lineSpacing() + margins;
    editor->resize(editor->width(), std::max(cellHeight, wanted));
}

QString editorText(const QPlainTextEdit& editor) {
    // The raw text keeps non-breaking spaces (the plain text would make them blanks).
    QString text = editor.document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

} // namespace

TWqFindReplaceGrid::TWqFindReplaceGrid(QWidget* parent) : QTableView(parent), m_delegate(new TFindReplaceGridDelegate(this)) {
    setItemDelegate(m_delegate);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    setTabKeyNavigation(true);
    setShowGrid(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalHeader(new TElidingHeaderView(Qt::Horizontal, this));
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView* header = horizontalHeader();
    header->setMinimumSectionSize(5);
    header->setDefaultSectionSize(kDefaultColumnWidth);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setTextElideMode(Qt::ElideRight);
    header->setStretchLastSection(false);
}

void TWqFindReplaceGrid::setGridModel(TFindReplaceGridItemModel* model) {
    m_model = model;
    setModel(model);
    setColumnWidths(std::vector<int>(kGridDefaultColumnWidths.begin(), kGridDefaultColumnWidths.end()));
    if (!model)
        return;
    connect(model, &QAbstractItemModel::modelReset, this, &TWqFindReplaceGrid::restoreCurrentCell);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &TWqFindReplaceGrid::restoreCurrentCell);
    // First focus: the Find cell of the first definition row.
    mayBecomeCurrent(model->index(0, colFind));
    setCurrentIndex(model->index(0, colFind));
}

std::vector<int> TWqFindReplaceGrid::columnWidths() const {
    std::vector<int> widths;
    for (int column = 0; column < gridColumnCount; ++column)
        widths.push_back(columnWidth(column));
    return widths;
}

void TWqFindReplaceGrid::setColumnWidths(const std::vector<int>& widths) {
    for (int column = 0; column < static_cast<int>(widths.size()) && column < gridColumnCount; ++column)
        setColumnWidth(column, std::max(0, widths[static_cast<std::size_t>(column)]));
}

void TWqFindReplaceGrid::commitEdit() { m_delegate->commitOpenEditor(); }

void TWqFindReplaceGrid::restoreCurrentCell() {
    if (!m_model || m_model->rowCount() == 0)
        return;
    const TFindReplaceGridModel& grid = m_model->grid();
    const QModelIndex cell = m_model->index(std::min(grid.currentRow(), m_model->rowCount() - 1), grid.currentColumn());
    if (cell != currentIndex())
        selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect);
}

bool TWqFindReplaceGrid::mayBecomeCurrent(const QModelIndex& index) {
    if (!m_model || !index.isValid())
        return false;
    if (isFixedColumn(index.column()))
        return false;
    // Flips a switch cell and refuses it; takes any other cell as the core's current cell.
    return m_model->grid().requestCurrentCell(index.column(), index.row());
}

void TWqFindReplaceGrid::mousePressEvent(QMouseEvent* event) {
    m_pressHandled = false;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid() && !mayBecomeCurrent(index)) {
        m_pressHandled = true;
        setFocus(Qt::MouseFocusReason);
        event->accept();
        emit Clicked();
        return;
    }
    QTableView::mousePressEvent(event);
    emit Clicked();
}

void TWqFindReplaceGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (m_pressHandled) {
        m_pressHandled = false;
        event->accept();
        return;
    }
    QTableView::mouseReleaseEvent(event);
}

void TWqFindReplaceGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second click of a double click counts as a click of its own.
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid() &&
        (isFixedColumn(index.column()) || TFindReplaceGridModel::isSwitchColumn(index.column()))) {
        mousePressEvent(event);
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void TWqFindReplaceGrid::mouseMoveEvent(QMouseEvent* event) {
    if (m_pressHandled)
        return;
    // Dragging over a switch or fixed cell does not make it current.
    const QModelIndex index = indexAt(event->position().toPoint());
    if ((event->buttons() & Qt::LeftButton) && index.isValid() &&
        (isFixedColumn(index.column()) || TFindReplaceGridModel::isSwitchColumn(index.column())))
        return;
    QTableView::mouseMoveEvent(event);
}

void TWqFindReplaceGrid::keyPressEvent(QKeyEvent* event) {
    const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (tab && tabKeyNavigation() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        // A refused move keeps the focus in the grid, as every other refused move does.
        const bool back = event->key() == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier);
        const QModelIndex next = moveCursor(back ? MovePrevious : MoveNext, event->modifiers());
        if (next.isValid() && next != currentIndex())
            selectionModel()->setCurrentIndex(next, QItemSelectionModel::ClearAndSelect);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

QModelIndex TWqFindReplaceGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
    const QModelIndex current = currentIndex();
    const QModelIndex target = QTableView::moveCursor(cursorAction, modifiers);
    if (!target.isValid() || target == current)
        return target;
    if (!mayBecomeCurrent(target)) {
        if (TFindReplaceGridModel::isSwitchColumn(target.column()))
            emit Clicked();
        return current;
    }
    return target;
}

void TWqFindReplaceGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (m_model && current.isValid() && !isFixedColumn(current.column()) &&
        !TFindReplaceGridModel::isSwitchColumn(current.column()))
        m_model->grid().requestCurrentCell(current.column(), current.row());
}

// --- delegate ---

QString TFindReplaceGridDelegate::shownText(QString text) {
    text.replace(QLatin1String("\r\n"), QString(kLineBreakMark));
    text.replace(QLatin1Char('\r'), kLineBreakMark);
    text.replace(QLatin1Char('\n'), kLineBreakMark);
    return text;
}

QString TFindReplaceGridDelegate::editedText(const QString& editorText, const QString& cellText) {
    QString normalized = cellText;
    normalized.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (editorText == normalized)
        return cellText;
    if (cellText.contains(QLatin1String("\r\n"))) {
        QString text = editorText;
        text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        return text;
    }
    return editorText;
}

void TFindReplaceGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
    const int column = index.column();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    if (isFixedColumn(column)) {
        painter->save();
        painter->fillRect(option.rect, option.palette.button());
        painter->setPen(option.palette.buttonText().color());
        painter->setFont(option.font);
        const QRect text = option.rect.adjusted(2, 0, -2, 0);
        const Qt::Alignment alignment = column == colNo ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter;
        painter->drawText(text, static_cast<int>(alignment),
                          option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, text.width()));
        painter->restore();
        return;
    }
    if (TFindReplaceGridModel::isSwitchColumn(column)) {
        painter->fillRect(option.rect, option.palette.base());
        QStyleOptionButton box;
        box.rect = QRect(0, 0, TWqFindReplaceGrid::kCheckBoxSize, TWqFindReplaceGrid::kCheckBoxSize);
        box.rect.moveCenter(option.rect.center());
        box.state = QStyle::State_Enabled;
        box.state |= index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
        box.palette = option.palette;
        style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, widget);
        return;
    }
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    item.text = shownText(item.text);
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
}

QWidget* TFindReplaceGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                                const QModelIndex& index) const {
    if (index.column() != colFind && index.column() != colReplacement)
        return nullptr;
    auto* editor = new QPlainTextEdit(parent);
    editor->setObjectName(QStringLiteral("GridCellEditor"));
    editor->setAccessibleName(index.model()->headerData(index.column(), Qt::Horizontal).toString());
    editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    editor->setTabChangesFocus(true);
    editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    editor->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    editor->document()->setDocumentMargin(1);
    editor->setFont(option.font);
    editor->setProperty("cellHeight", option.rect.height());
    connect(editor->document(), &QTextDocument::blockCountChanged, editor, [editor] { fitEditorHeight(editor); });
    m_openEditor = editor;
    return editor;
}

void TFindReplaceGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* text = qobject_cast<QPlainTextEdit*>(editor);
    if (!text)
        return;
    text->setPlainText(index.data(Qt::EditRole).toString());
    text->selectAll();
    fitEditorHeight(text);
}

void TFindReplaceGridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    auto* text = qobject_cast<QPlainTextEdit*>(editor);
    if (!text)
        return;
    model->setData(index, editedText(editorText(*text), index.data(Qt::EditRole).toString()), Qt::EditRole);
}

void TFindReplaceGridDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                                    const QModelIndex&) const {
    editor->setProperty("cellHeight", option.rect.height());
    editor->setGeometry(option.rect);
    if (auto* text = qobject_cast<QPlainTextEdit*>(editor))
        fitEditorHeight(text);
}

void TFindReplaceGridDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const {
    if (editor == m_openEditor)
        m_openEditor = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
}

void TFindReplaceGridDelegate::commitOpenEditor() {
    if (m_openEditor)
        emit commitData(m_openEditor);
}

bool TFindReplaceGridDelegate::eventFilter(QObject* object, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && (key->modifiers() & Qt::ControlModifier)) {
            if (auto* editor = qobject_cast<QWidget*>(object)) {
                emit commitData(editor);
                emit closeEditor(editor, QAbstractItemDelegate::NoHint);
                return true;
            }
        }
    }
    // Enter without Ctrl goes to the editor (a line break); Tab, Esc and leaving the cell as usual.
    return QStyledItemDelegate::eventFilter(object, event);
}

bool TFindReplaceGridDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                          const QModelIndex& index) {
    // Switch cells are flipped by the grid's own click rule, never by the default check box handling.
    if (TFindReplaceGridModel::isSwitchColumn(index.column()))
        return false;
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

} // namespace swapwright::gui
