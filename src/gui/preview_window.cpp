#include "gui/preview_window.h"

#include "core/base/text.h"
#include "gui/exception_handler.h"
#include "gui/text_convert.h"
#include "gui/window_placement.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QTextLayout>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace swapwright::gui {

namespace {

using RowKind = TPreviewChangeModel::RowKind;

QString number(std::int64_t value) { return QString::number(value); }

bool continuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The bytes of a line as text, with byte ranges turned into ranges of the text. Bytes that are
// valid UTF-8 as a whole show as UTF-8, others as Latin-1 (as everywhere in the windows); a range
// boundary inside a UTF-8 sequence moves to the sequence's start.
QString decodeMarked(std::string_view bytes, std::vector<std::pair<std::size_t, std::size_t>> byteRanges,
                     std::vector<std::pair<int, int>>& marks) {
    const bool utf8 = text::isValidUtf8(bytes);
    const auto decode = [utf8](std::string_view part) {
        const auto size = static_cast<qsizetype>(part.size());
        return utf8 ? QString::fromUtf8(part.data(), size) : QString::fromLatin1(part.data(), size);
    };
    const auto boundary = [&](std::size_t at) {
        at = std::min(at, bytes.size());
        while (utf8 && at > 0 && at < bytes.size() && continuationByte(bytes[at]))
            --at;
        return at;
    };
    std::sort(byteRanges.begin(), byteRanges.end());
    QString result;
    std::size_t done = 0;
    for (auto [from, to] : byteRanges) {
        from = std::max(boundary(from), done);
        to = boundary(to);
        if (to <= from)
            continue;
        result += decode(bytes.substr(done, from - done));
        const int start = static_cast<int>(result.size());
        result += decode(bytes.substr(from, to - from));
        marks.emplace_back(start, static_cast<int>(result.size()) - start);
        done = to;
    }
    result += decode(bytes.substr(done));
    return result;
}

// Cuts a text longer than the rows show, marks inside the rest kept.
void cutLongText(QString& text, std::vector<std::pair<int, int>>& marks) {
    if (text.size() <= TPreviewChangeModel::kMaxLineChars)
        return;
    const int keep = TPreviewChangeModel::kMaxLineChars;
    text = text.left(keep) + QChar(0x2026);
    std::vector<std::pair<int, int>> kept;
    for (const auto& [start, length] : marks)
        if (start < keep)
            kept.emplace_back(start, std::min(length, keep - start));
    marks = std::move(kept);
}

int countLines(std::string_view bytes) {
    if (bytes.empty())
        return 0;
    return static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n')) + (bytes.back() == '\n' ? 0 : 1);
}

QChar printable(unsigned char byte) { return byte >= 0x20 && byte < 0x7F ? QChar(byte) : QChar('.'); }

} // namespace

// --- the files ---

TPreviewFileModel::TPreviewFileModel(const std::vector<TFilePreview>& files, QObject* parent)
    : QAbstractTableModel(parent), m_files(files) {}

int TPreviewFileModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_files.size());
}

int TPreviewFileModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QString TPreviewFileModel::stateText(const TFilePreview& file) {
    switch (file.State) {
    case TPreviewState::Unchanged:
        return QStringLiteral("unchanged");
    case TPreviewState::Failed:
        return QStringLiteral("failed");
    case TPreviewState::Canceled:
        return QStringLiteral("canceled");
    case TPreviewState::Replaced:
        break;
    }
    if (!file.ContentChanged)
        return QStringLiteral("content stays the same");
    return file.ChangeCount == 1 ? QStringLiteral("1 change") : QStringLiteral("%1 changes").arg(file.ChangeCount);
}

QVariant TPreviewFileModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(m_files.size()))
        return {};
    const TFilePreview& file = m_files[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case colFile:
            return toDisplayText(file.FileName);
        case colReplacements:
            return QVariant::fromValue<qlonglong>(file.Replacements);
        case colChanges:
            return stateText(file);
        }
        return {};
    case Qt::ToolTipRole:
        if (file.State == TPreviewState::Failed)
            return toDisplayText(file.Error);
        return index.column() == colFile ? toDisplayText(file.FileName) : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() == colReplacements ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case Qt::ForegroundRole:
        if (file.State == TPreviewState::Failed)
            return QColor(192, 0, 0);
        if (file.State != TPreviewState::Replaced || !file.ContentChanged)
            return QColor(110, 110, 110);
        return {};
    }
    return {};
}

QVariant TPreviewFileModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case colFile:
        return QStringLiteral("File");
    case colReplacements:
        return QStringLiteral("Replacements");
    case colChanges:
        return QStringLiteral("Changes");
    }
    return {};
}

// --- the changes of a file ---

QColor previewRowColour(RowKind kind) {
    switch (kind) {
    case RowKind::Heading:
        return QColor(226, 232, 240);
    case RowKind::Old:
        return QColor(255, 235, 233);
    case RowKind::New:
        return QColor(230, 255, 236);
    case RowKind::Context:
    case RowKind::Note:
        break;
    }
    return {};
}

QColor previewMarkColour(RowKind kind) {
    return kind == RowKind::Old ? QColor(255, 170, 160) : QColor(150, 230, 165);
}

TPreviewChangeModel::TPreviewChangeModel(QObject* parent) : QAbstractTableModel(parent) {}

void TPreviewChangeModel::setFile(const TFilePreview* file) {
    beginResetModel();
    m_rows.clear();
    if (file) {
        if (file->FormFile)
            addNote(QStringLiteral("A form file: its changes are shown in its text form."));
        switch (file->State) {
        case TPreviewState::Unchanged:
            addNote(QStringLiteral("No replacement in this file."));
            break;
        case TPreviewState::Failed:
            addNote(QStringLiteral("The run would fail this file and leave it as it is: %1").arg(toDisplayText(file->Error)));
            break;
        case TPreviewState::Canceled:
            addNote(QStringLiteral("The preview was canceled in this file."));
            break;
        case TPreviewState::Replaced:
            if (!file->ContentChanged)
                addNote(QStringLiteral("The replacements put back what they found: the content stays the same."));
            break;
        }
        for (std::size_t i = 0; i < file->Changes.size(); ++i) {
            if (file->Binary)
                addByteChange(*file, file->Changes[i], i);
            else
                addTextChange(*file, file->Changes[i], i);
        }
        if (!file->changesComplete()) {
            const std::int64_t more = file->ChangeCount - static_cast<std::int64_t>(file->Changes.size());
            addNote((more == 1 ? QStringLiteral("%1 more change is not shown; the first %2 are.")
                               : QStringLiteral("%1 more changes are not shown; the first %2 are."))
                        .arg(more)
                        .arg(file->Changes.size()));
        }
    }
    endResetModel();
}

void TPreviewChangeModel::addNote(const QString& text) { m_rows.push_back({RowKind::Note, {}, {}, text, {}}); }

void TPreviewChangeModel::addTextChange(const TFilePreview& file, const TPreviewChange& change, std::size_t index) {
    const QString where = change.OldLineCount > 1
                              ? QStringLiteral("lines %1 to %2").arg(change.OldLine).arg(change.OldLine + change.OldLineCount - 1)
                              : QStringLiteral("line %1").arg(change.OldLine);
    m_rows.push_back({RowKind::Heading, {}, {}, QStringLiteral("Change %1 of %2, %3").arg(index + 1).arg(file.ChangeCount).arg(where), {}});
    const int before = countLines(change.ContextBefore);
    addLines(RowKind::Context, change.ContextBefore, change.OldLine - before, change.NewLine - before, nullptr);
    addLines(RowKind::Old, change.Old, change.OldLine, 0, &change.OldMarks);
    addLines(RowKind::New, change.New, 0, change.NewLine, &change.NewMarks);
    addLines(RowKind::Context, change.ContextAfter, change.OldLine + change.OldLineCount,
             change.NewLine + change.NewLineCount, nullptr);
}

void TPreviewChangeModel::addLines(RowKind kind, std::string_view bytes, std::int64_t oldLine, std::int64_t newLine,
                                   const std::vector<TPreviewMark>* marks) {
    const QString sign = kind == RowKind::Old ? QStringLiteral("- ") : kind == RowKind::New ? QStringLiteral("+ ")
                                                                                           : QStringLiteral("  ");
    std::size_t start = 0;
    for (std::int64_t line = 0; start < bytes.size(); ++line) {
        const std::size_t lf = bytes.find('\n', start);
        const std::size_t end = lf == std::string_view::npos ? bytes.size() : lf + 1;
        // The line end is not shown; a replacement that took or made it shows as a marked pilcrow.
        std::size_t shown = end;
        if (shown > start && bytes[shown - 1] == '\n')
            --shown;
        if (shown > start && bytes[shown - 1] == '\r')
            --shown;
        std::vector<std::pair<std::size_t, std::size_t>> ranges;
        bool lineEndMarked = false;
        if (marks)
            for (const TPreviewMark& mark : *marks) {
                const std::size_t from = std::max(mark.Offset, start), to = std::min(mark.Offset + mark.Length, end);
                if (from >= to)
                    continue;
                if (from < shown)
                    ranges.emplace_back(from - start, std::min(to, shown) - start);
                lineEndMarked = lineEndMarked || to > shown;
            }
        Row row{kind, oldLine > 0 ? number(oldLine + line) : QString(), newLine > 0 ? number(newLine + line) : QString(),
                {}, {}};
        row.Text = sign + decodeMarked(bytes.substr(start, shown - start), std::move(ranges), row.Marks);
        for (auto& mark : row.Marks)
            mark.first += static_cast<int>(sign.size());
        if (lineEndMarked) {
            row.Marks.emplace_back(static_cast<int>(row.Text.size()), 1);
            row.Text += QChar(0x00B6);
        }
        cutLongText(row.Text, row.Marks);
        m_rows.push_back(std::move(row));
        start = end;
    }
}

void TPreviewChangeModel::addByteChange(const TFilePreview& file, const TPreviewChange& change, std::size_t index) {
    m_rows.push_back({RowKind::Heading, {}, {},
                      QStringLiteral("Change %1 of %2, at byte %3 (0x%4)")
                          .arg(index + 1)
                          .arg(file.ChangeCount)
                          .arg(change.OldOffset)
                          .arg(change.OldOffset, 0, 16),
                      {}});
    addBytes(RowKind::Old, change.Old, change.OldOffset, change.OldMarks);
    addBytes(RowKind::New, change.New, change.NewOffset, change.NewMarks);
}

void TPreviewChangeModel::addBytes(RowKind kind, std::string_view bytes, std::uint64_t offset,
                                   const std::vector<TPreviewMark>& marks) {
    const auto marked = [&](std::size_t at) {
        return std::any_of(marks.begin(), marks.end(),
                           [at](const TPreviewMark& m) { return at >= m.Offset && at < m.Offset + m.Length; });
    };
    const QString sign = kind == RowKind::Old ? QStringLiteral("- ") : QStringLiteral("+ ");
    const std::size_t perRow = kBytesPerRow;
    const std::size_t shown = std::min(bytes.size(), perRow * kMaxByteRows);
    for (std::size_t rowStart = 0; rowStart < shown; rowStart += perRow) {
        Row row{kind, {}, {}, sign, {}};
        (kind == RowKind::Old ? row.OldNumber : row.NewNumber) =
            QStringLiteral("%1").arg(offset + rowStart, 8, 16, QLatin1Char('0')).toUpper();
        const std::size_t count = std::min(perRow, shown - rowStart);
        const int charsAt = static_cast<int>(sign.size()) + static_cast<int>(perRow) * 3 + 1;
        QString chars;
        for (std::size_t i = 0; i < count; ++i) {
            const auto byte = static_cast<unsigned char>(bytes[rowStart + i]);
            if (marked(rowStart + i)) {
                row.Marks.emplace_back(static_cast<int>(row.Text.size()), 2);
                row.Marks.emplace_back(charsAt + static_cast<int>(i), 1);
            }
            row.Text += QStringLiteral("%1 ").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
            chars += printable(byte);
        }
        row.Text = row.Text.leftJustified(charsAt, QLatin1Char(' ')) + chars;
        m_rows.push_back(std::move(row));
    }
    if (bytes.size() > shown)
        addNote(QStringLiteral("%1 more bytes are not shown.").arg(bytes.size() - shown));
}

int TPreviewChangeModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int TPreviewChangeModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant TPreviewChangeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(m_rows.size()))
        return {};
    const Row& row = m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return index.column() == colOldLine ? row.OldNumber : index.column() == colNewLine ? row.NewNumber : row.Text;
    case Qt::BackgroundRole:
        if (const QColor colour = previewRowColour(row.Kind); colour.isValid())
            return colour;
        return {};
    case Qt::ForegroundRole:
        if (index.column() != colText || row.Kind == RowKind::Note)
            return QColor(100, 100, 100);
        return {};
    case Qt::TextAlignmentRole:
        return index.column() == colText ? QVariant() : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant TPreviewChangeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case colOldLine:
        return QStringLiteral("Old");
    case colNewLine:
        return QStringLiteral("New");
    case colText:
        return QStringLiteral("Text");
    }
    return {};
}

TPreviewChangeDelegate::TPreviewChangeDelegate(const TPreviewChangeModel& model, QObject* parent)
    : QStyledItemDelegate(parent), m_model(model) {}

void TPreviewChangeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    if (index.column() != TPreviewChangeModel::colText || index.row() >= static_cast<int>(m_model.rows().size())) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const TPreviewChangeModel::Row& row = m_model.rows()[static_cast<std::size_t>(index.row())];
    painter->save();
    const QColor background = previewRowColour(row.Kind);
    if (option.state.testFlag(QStyle::State_Selected))
        painter->fillRect(option.rect, option.palette.color(QPalette::Highlight).lighter(170));
    else if (background.isValid())
        painter->fillRect(option.rect, background);

    QFont font = option.font;
    if (row.Kind == RowKind::Heading)
        font.setBold(true);
    if (row.Kind == RowKind::Note)
        font.setItalic(true);
    QTextLayout layout(row.Text, font);
    QTextOption textOption;
    textOption.setWrapMode(QTextOption::NoWrap);
    textOption.setTabStopDistance(4 * QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')));
    layout.setTextOption(textOption);
    QList<QTextLayout::FormatRange> formats;
    for (const auto& [start, length] : row.Marks) {
        QTextLayout::FormatRange range;
        range.start = start;
        range.length = length;
        range.format.setBackground(previewMarkColour(row.Kind));
        formats << range;
    }
    layout.setFormats(formats);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    painter->setPen(row.Kind == RowKind::Note ? QColor(100, 100, 100) : option.palette.color(QPalette::Text));
    painter->setClipRect(option.rect);
    if (line.isValid()) {
        const qreal top = option.rect.top() + (option.rect.height() - line.height()) / 2.0;
        layout.draw(painter, QPointF(option.rect.left() + 4, top));
    }
    painter->restore();
}

// --- the window ---

TPreviewWindow::TPreviewWindow(std::vector<TFilePreview> files, TWqPersistentData* store, QWidget* parent)
    : QDialog(parent), m_files(std::move(files)), m_store(store) {
    setObjectName(QStringLiteral("PreviewWindow"));
    setWindowTitle(QStringLiteral("Preview Replacements"));
    setAccessibleName(windowTitle());
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);

    std::int64_t replacements = 0;
    int replaced = 0, failed = 0;
    for (const TFilePreview& file : m_files) {
        replacements += file.Replacements;
        replaced += file.State == TPreviewState::Replaced && file.ContentChanged;
        failed += file.State == TPreviewState::Failed;
    }
    QString summary = QStringLiteral("%1 Files, %2 of them changed, %3 Replacements in total")
                          .arg(m_files.size())
                          .arg(replaced)
                          .arg(replacements);
    if (failed > 0)
        summary += QStringLiteral(", %1 Files would fail").arg(failed);
    m_summary = new QLabel(summary + QStringLiteral(". Nothing has been written yet."), this);
    m_summary->setObjectName(QStringLiteral("LabelSummary"));
    m_summary->setAccessibleName(m_summary->text());
    m_summary->setWordWrap(true);
    layout->addWidget(m_summary);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(QStringLiteral("PreviewSplitter"));
    splitter->setChildrenCollapsible(false);

    m_fileModel = new TPreviewFileModel(m_files, this);
    m_fileView = new QTreeView(splitter);
    m_fileView->setObjectName(QStringLiteral("PreviewFileList"));
    m_fileView->setAccessibleName(QStringLiteral("Previewed Files"));
    m_fileView->setRootIsDecorated(false);
    m_fileView->setUniformRowHeights(true);
    m_fileView->setAllColumnsShowFocus(true);
    m_fileView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_fileView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_fileView->setModel(m_fileModel);
    m_fileView->header()->setStretchLastSection(false);
    m_fileView->header()->setSectionResizeMode(TPreviewFileModel::colFile, QHeaderView::Stretch);
    m_fileView->header()->resizeSection(TPreviewFileModel::colReplacements, 100);
    m_fileView->header()->resizeSection(TPreviewFileModel::colChanges, 150);

    auto* lower = new QWidget(splitter);
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->setSpacing(2);
    m_fileCaption = new QLabel(lower);
    m_fileCaption->setObjectName(QStringLiteral("LabelFileChanges"));
    m_fileCaption->setTextFormat(Qt::PlainText);
    m_changeModel = new TPreviewChangeModel(this);
    m_changeView = new QTreeView(lower);
    m_changeView->setObjectName(QStringLiteral("PreviewChangeList"));
    m_changeView->setAccessibleName(QStringLiteral("Changes of the selected File"));
    m_changeView->setRootIsDecorated(false);
    m_changeView->setUniformRowHeights(true);
    m_changeView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_changeView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_changeView->setModel(m_changeModel);
    m_changeView->setItemDelegate(new TPreviewChangeDelegate(*m_changeModel, m_changeView));
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(std::max(9, font().pointSize()));
    m_changeView->setFont(fixed);
    const int numberWidth = QFontMetrics(fixed).horizontalAdvance(QStringLiteral("000000000")) + 12;
    m_changeView->header()->resizeSection(TPreviewChangeModel::colOldLine, numberWidth);
    m_changeView->header()->resizeSection(TPreviewChangeModel::colNewLine, numberWidth);
    m_changeView->header()->setStretchLastSection(false);
    m_changeView->header()->resizeSection(TPreviewChangeModel::colText, QFontMetrics(fixed).horizontalAdvance(QLatin1Char('x')) * 140);
    lowerLayout->addWidget(m_fileCaption);
    lowerLayout->addWidget(m_changeView, 1);
    splitter->addWidget(m_fileView);
    splitter->addWidget(lower);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    layout->addWidget(splitter, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    m_execute = new QPushButton(QStringLiteral("&Execute Replacements"), this);
    m_execute->setObjectName(QStringLiteral("BtnExecute"));
    m_execute->setAccessibleName(QStringLiteral("Execute Replacements"));
    m_execute->setToolTip(QStringLiteral("Close the preview and start the replacing Operation"));
    m_execute->setAutoDefault(false);
    m_close = new QPushButton(QStringLiteral("&Close"), this);
    m_close->setObjectName(QStringLiteral("BtnClose"));
    m_close->setAccessibleName(QStringLiteral("Close"));
    m_close->setDefault(true);
    bottom->addWidget(m_execute);
    bottom->addWidget(m_close);
    layout->addLayout(bottom);

    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_execute, &QPushButton::clicked, this, guardedSlot([this] {
                accept();
                emit executeRequested();
            }));
    connect(m_fileView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            guarded([this](const QModelIndex& current, const QModelIndex&) { showFile(current.row()); }));

    resize(kWidth, kHeight);
    loadWindowPlacement(*this, m_store, kPlacementKey, TDefaultPlacement::ScreenCenter);
    // The first file with changes is shown at once.
    const auto first = std::find_if(m_files.begin(), m_files.end(),
                                    [](const TFilePreview& f) { return f.State != TPreviewState::Unchanged; });
    if (!m_files.empty())
        selectFile(first == m_files.end() ? 0 : static_cast<int>(first - m_files.begin()));
    else
        showFile(-1);
    m_fileView->setFocus(Qt::OtherFocusReason);
}

TPreviewWindow::~TPreviewWindow() {
    guardedCall([this] { storeWindowPlacement(*this, m_store, kPlacementKey); });
}

void TPreviewWindow::selectFile(int row) {
    const QModelIndex index = m_fileModel->index(row, 0);
    if (!index.isValid())
        return;
    const bool current = m_fileView->currentIndex().row() == row;
    // A new current row shows its file through the selection's signal.
    m_fileView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_fileView->scrollTo(index);
    if (current)
        showFile(row);
}

void TPreviewWindow::showFile(int row) {
    const bool valid = row >= 0 && row < static_cast<int>(m_files.size());
    const TFilePreview* file = valid ? &m_files[static_cast<std::size_t>(row)] : nullptr;
    m_changeModel->setFile(file);
    m_fileCaption->setText(file ? QStringLiteral("Changes of %1").arg(toDisplayText(file->FileName))
                                : QStringLiteral("No file was previewed."));
    m_fileCaption->setAccessibleName(m_fileCaption->text());
    m_changeView->scrollToTop();
}

} // namespace swapwright::gui
