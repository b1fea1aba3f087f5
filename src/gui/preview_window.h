#pragma once

#include "core/engine/preview.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QStyledItemDelegate>

#include <string_view>
#include <utility>
#include <vector>

class QLabel;
class QPushButton;
class QTreeView;

namespace swapwright {
class TWqPersistentData;
}

// "Preview Replacements": what a run would do, before it writes anything. The upper list holds every
// file the preview reached with its replacements; the lower list the selected file's changes, old
// lines over new ones with their line numbers and the replaced spans marked (a file with a string
// length prefix: its affected bytes, sixteen a row). Both lists are item models over the preview,
// so that a preview of thousands of files opens at once; a file's rows are made when it is selected.
// Its position and size are kept under "Preview Form".
namespace swapwright::gui {

// The preview's files: name, replacements, and what the run would do with the file.
class TPreviewFileModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { colFile, colReplacements, colChanges, kColumnCount };

    explicit TPreviewFileModel(const std::vector<TFilePreview>& files, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // "unchanged", "3 changes", "failed", ...
    static QString stateText(const TFilePreview& file);

private:
    const std::vector<TFilePreview>& m_files;
};

// The rows of one file's changes: for each change a heading, the unchanged lines before it, its old
// and its new lines, the unchanged lines after it; notes where the file has no change to show or
// more changes than were kept.
class TPreviewChangeModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { colOldLine, colNewLine, colText, kColumnCount };
    enum class RowKind { Heading, Context, Old, New, Note };
    // Longer lines are cut (with an ellipsis) so that drawing a row never stalls.
    static constexpr int kMaxLineChars = 2000;
    static constexpr int kBytesPerRow = 16;
    // Rows of bytes shown for each side of a binary change.
    static constexpr int kMaxByteRows = 16;

    struct Row {
        RowKind Kind = RowKind::Note;
        QString OldNumber;
        QString NewNumber;
        QString Text;
        std::vector<std::pair<int, int>> Marks; // start and length in Text
    };

    explicit TPreviewChangeModel(QObject* parent = nullptr);
    // The rows of that file (none: no rows).
    void setFile(const TFilePreview* file);
    const std::vector<Row>& rows() const noexcept { return m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void addTextChange(const TFilePreview& file, const TPreviewChange& change, std::size_t index);
    void addByteChange(const TFilePreview& file, const TPreviewChange& change, std::size_t index);
    void addLines(RowKind kind, std::string_view bytes, std::int64_t oldLine, std::int64_t newLine,
                  const std::vector<TPreviewMark>* marks);
    void addBytes(RowKind kind, std::string_view bytes, std::uint64_t offset, const std::vector<TPreviewMark>& marks);
    void addNote(const QString& text);

    std::vector<Row> m_rows;
};

// Draws a change row's text with its replaced spans on a stronger background.
class TPreviewChangeDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    TPreviewChangeDelegate(const TPreviewChangeModel& model, QObject* parent = nullptr);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const TPreviewChangeModel& m_model;
};

// The background of a row kind, and of a replaced span in it.
QColor previewRowColour(TPreviewChangeModel::RowKind kind);
QColor previewMarkColour(TPreviewChangeModel::RowKind kind);

class TPreviewWindow final : public QDialog {
    Q_OBJECT
public:
    static constexpr std::string_view kPlacementKey = "Preview Form";
    static constexpr int kWidth = 760;
    static constexpr int kHeight = 560;

    TPreviewWindow(std::vector<TFilePreview> files, TWqPersistentData* store, QWidget* parent = nullptr);
    ~TPreviewWindow() override;

    const std::vector<TFilePreview>& files() const noexcept { return m_files; }
    QTreeView* fileView() const noexcept { return m_fileView; }
    QTreeView* changeView() const noexcept { return m_changeView; }
    const TPreviewChangeModel& changeModel() const noexcept { return *m_changeModel; }
    QLabel* summary() const noexcept { return m_summary; }

    // Selects the file of that row and shows its changes.
    void selectFile(int row);

signals:
    // The user asked for the real run; the window has closed.
    void executeRequested();

private:
    void showFile(int row);

    std::vector<TFilePreview> m_files;
    TWqPersistentData* m_store;
    TPreviewFileModel* m_fileModel = nullptr;
    TPreviewChangeModel* m_changeModel = nullptr;
    QTreeView* m_fileView = nullptr;
    QTreeView* m_changeView = nullptr;
    QLabel* m_summary = nullptr;
    QLabel* m_fileCaption = nullptr;
    QPushButton* m_execute = nullptr;
    QPushButton* m_close = nullptr;
};

} // namespace swapwright::gui
