#include "gui/report_dialog.h"

#include "gui/controls/button_bar.h"
#include "gui/controls/wq_size_grip.h"
#include "gui/icons.h"
#include "gui/qt_date_time_formatter.h"
#include "gui/text_convert.h"
#include "gui/window_placement.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFontDialog>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace swapwright::gui {

namespace {

TWqReportDlg* s_instance = nullptr;

const QString kTextFilter = QStringLiteral("Text Files (*.txt)");
const QString kRichTextFilter = QStringLiteral("Rich Text Files (*.rtf)");
// "*" rather than "*.*": names without a dot (common here) are files too.
const QString kAllFilesFilter = QStringLiteral("All Files (*)");

// The line as one block of the text area: its line breaks become line separators.
QString blockText(const std::string& bytes) {
    QString text = toDisplayText(bytes);
    text.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    text.replace(QLatin1Char('\r'), QChar::LineSeparator);
    return text;
}

QTextCharFormat lineFormat(const TReportLook& look) {
    QTextCharFormat format;
    format.setForeground(QColor(look.Color.Red, look.Color.Green, look.Color.Blue));
    if (look.Bold)
        format.setFontWeight(QFont::Bold);
    // Size 0: no size of its own, so the line follows the text area's font.
    if (look.Size != 0)
        format.setFontPointSize(look.Size);
    return format;
}

class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

TWqReportDlg::TWqReportDlg(TWqPersistentData* store, QWidget* parent)
    : QDialog(parent), m_store(store), m_text(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("WqReportDlg"));
    setWindowTitle(QStringLiteral("Operation Report"));
    setAccessibleName(windowTitle());
    setModal(false);
    setSizeGripEnabled(false);

    m_text->setObjectName(QStringLiteral("MemoReport"));
    m_text->setAccessibleName(QStringLiteral("Report"));
    m_text->setReadOnly(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setUndoRedoEnabled(false);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The selection stays visible when the window loses the focus.
    QPalette palette = m_text->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    m_text->setPalette(palette);
    // "Lucida Console" where it is installed, any fixed-pitch font where not; the name stays.
    QFont font(QStringLiteral("Lucida Console"));
    font.setPixelSize(12);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    setTextFont(font);

    auto* bar = new ButtonBar(36, this);
    connect(bar->addIconButton(QStringLiteral("BtnPrint"), icons::BtnPrint, QStringLiteral("Print")),
            &QToolButton::clicked, this, &TWqReportDlg::print);
    connect(bar->addIconButton(QStringLiteral("BtnSaveToFile"), icons::BtnSaveToFile, QStringLiteral("Save to File")),
            &QToolButton::clicked, this, &TWqReportDlg::saveToFile);
    connect(bar->addIconButton(QStringLiteral("BtnCopyToClipboard"), icons::BtnCopyToClipboard,
                               QStringLiteral("Copy to Clipboard")),
            &QToolButton::clicked, this, &TWqReportDlg::copyToClipboard);
    connect(bar->addIconButton(QStringLiteral("BtnChangeFont"), icons::BtnChangeFont, QStringLiteral("Change Font")),
            &QToolButton::clicked, this, &TWqReportDlg::changeFont);
    connect(bar->addIconButton(QStringLiteral("BtnClear"), icons::BtnClear, QStringLiteral("Clear")),
            &QToolButton::clicked, this, &TWqReportDlg::clearReport);
    m_wrapLines = bar->addIconButton(QStringLiteral("BtnWrapLines"), icons::BtnWrapLines, QStringLiteral("Wrap Lines"));
    m_wrapLines->setCheckable(true);
    connect(m_wrapLines, &QToolButton::toggled, this, &TWqReportDlg::setWrapLines);
    connect(bar->closeButton(), &QPushButton::clicked, this, &QWidget::hide);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_text, 1);
    layout->addWidget(bar);
    new TWqSizeGrip(this);

    m_flushTimer.setSingleShot(true);
    connect(&m_flushTimer, &QTimer::timeout, this, &TWqReportDlg::flush);
    m_document.setView(this);

    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(kMinimumWidth, kMinimumHeight);
    loadWindowPlacement(*this, m_store, kPlacementKey, TDefaultPlacement::SystemChooses, PlacementNames::Plain);
    bar->closeButton()->setFocus();
}

TWqReportDlg::~TWqReportDlg() {
    m_document.setView(nullptr);
    if (s_instance == this)
        s_instance = nullptr;
    try {
        storeWindowPlacement(*this, m_store, kPlacementKey, PlacementNames::Plain);
    } catch (...) {
        // The placement is a convenience; a store that cannot be written says so when it is saved.
    }
}

TWqReportDlg& TWqReportDlg::instance(TWqPersistentData* store) {
    if (!s_instance) {
        s_instance = new TWqReportDlg(store);
        qAddPostRoutine(&TWqReportDlg::destroyInstance);
    }
    return *s_instance;
}

bool TWqReportDlg::hasInstance() noexcept { return s_instance != nullptr; }

void TWqReportDlg::destroyInstance() noexcept {
    delete s_instance;
    s_instance = nullptr;
}

void TWqReportDlg::reportCleared() {
    m_flushTimer.stop();
    m_text->clear();
    m_shown = 0;
}

void TWqReportDlg::reportLineAdded(std::size_t) {
    if (m_flushTimer.isActive())
        return;
    // At the next turn of the event loop, but not more often than kFlushInterval: every flush
    // repaints the text area, and a run over many small files adds lines at every yield.
    const qint64 since = m_lastFlush.isValid() ? m_lastFlush.elapsed() : kFlushInterval;
    m_flushTimer.start(static_cast<int>(std::max<qint64>(0, kFlushInterval - since)));
}

void TWqReportDlg::reportShowRequested() {
    show();
    raise();
}

void TWqReportDlg::flush() {
    m_flushTimer.stop();
    m_lastFlush.start();
    const auto& lines = m_document.lines();
    if (m_shown >= lines.size())
        return;
    QScrollBar* scroll = m_text->verticalScrollBar();
    const bool followEnd = scroll->value() == scroll->maximum();
    QTextCursor cursor(m_text->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    // Lines of one look go in with one insertion, separated by paragraph separators (one block each).
    QString run;
    while (m_shown < lines.size()) {
        const TReportLook& look = lines[m_shown].Look;
        const QTextCharFormat format = lineFormat(look);
        run.clear();
        if (m_shown == 0)
            cursor.setBlockCharFormat(format);
        else
            run += QChar::ParagraphSeparator;
        run += blockText(lines[m_shown].Text);
        for (++m_shown; m_shown < lines.size() && lines[m_shown].Look == look; ++m_shown) {
            run += QChar::ParagraphSeparator;
            run += blockText(lines[m_shown].Text);
        }
        cursor.insertText(run, format);
    }
    cursor.endEditBlock();
    if (followEnd)
        scroll->setValue(scroll->maximum());
}

void TWqReportDlg::print() {
    flush();
    QPrinter printer;
    printer.setDocName(printJobTitle());
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_text->print(&printer);
}

QString TWqReportDlg::printJobTitle() const {
    const QtDateTimeFormatter dates;
    const TDateTime now = nowDateTime();
    return QStringLiteral("%1: %2").arg(windowTitle(),
                                        toDisplayText(dates.shortDate(now) + " " + dates.longTime(now)));
}

std::unique_ptr<QFileDialog> TWqReportDlg::createSaveDialog() {
    auto dialog = std::make_unique<QFileDialog>(this, QStringLiteral("Save Operation Report to File"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters({kTextFilter, kRichTextFilter, kAllFilesFilter});
    dialog->selectNameFilter(kRichTextFilter);
    dialog->setDefaultSuffix(QStringLiteral("rtf"));
    dialog->setSizeGripEnabled(true);
    // A name typed without extension gets the one of the chosen file type.
    connect(dialog.get(), &QFileDialog::filterSelected, dialog.get(), [d = dialog.get()](const QString& filter) {
        d->setDefaultSuffix(filter == kTextFilter ? QStringLiteral("txt") : QStringLiteral("rtf"));
    });
    return dialog;
}

void TWqReportDlg::saveToFile() {
    const auto dialog = createSaveDialog();
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return;
    saveReport(dialog->selectedFiles().front());
}

void TWqReportDlg::saveReport(const QString& fileName) {
    const WaitCursor wait;
    const QByteArray name = QFile::encodeName(fileName);
    m_document.saveToFile(std::string(name.constData(), static_cast<std::size_t>(name.size())), normalFont());
}

TReportFont TWqReportDlg::normalFont() const {
    const QFont font = m_text->font();
    double points = font.pointSizeF();
    if (points <= 0)
        points = font.pixelSize() * 72.0 / m_text->logicalDpiY();
    return {toBytes(font.family()), points};
}

void TWqReportDlg::copyToClipboard() {
    flush();
    m_text->selectAll();
    m_text->copy();
}

void TWqReportDlg::changeFont() {
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, m_text->font(), this, QStringLiteral("Change Font"));
    if (ok)
        setTextFont(font);
}

void TWqReportDlg::setTextFont(const QFont& font) {
    m_text->setFont(font);
    // Tab stops every eight characters, so the counts' columns line up as in a terminal.
    m_text->setTabStopDistance(8 * QFontMetricsF(m_text->font()).horizontalAdvance(QLatin1Char(' ')));
}

void TWqReportDlg::clearReport() { m_document.clear(); }

void TWqReportDlg::setWrapLines(bool on) {
    if (m_wrapLines->isChecked() != on)
        m_wrapLines->setChecked(on); // comes back here through toggled
    m_text->setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

} // namespace swapwright::gui
