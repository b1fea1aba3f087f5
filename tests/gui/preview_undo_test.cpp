// Preview and undo from the main window: the preview window over real files, the real run started
// from it, and the undo of a window run.
#include "core/grid/find_replace_grid_model.h"
#include "gui/exception_handler.h"
#include "gui/message_box.h"
#include "gui/preview_window.h"
#include "gui/report_dialog.h"
#include "gui/gui_test_support.h"
#include "test_support/temp_dir.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTreeView>

#include <filesystem>

using namespace swapwright;
using namespace swapwright::gui;
using namespace swapwright::gui::test;
using swapwright::test::readFile;
using swapwright::test::TempDir;
using swapwright::test::writeFile;
using Kind = TPreviewChangeModel::RowKind;

namespace {

const std::string kPrefix = "[HKEY_CURRENT_USER\\Software\\Wq - Software\\Wq - Swapwright\\";

const std::string kUnit = "unit Unit1;\r\nvar Form1: TForm1;\r\nbegin\r\n  Form1.Show; Form1.Close;\r\nend.\r\n";
const std::string kUnitReplaced =
    "unit Unit1;\r\nvar MainForm: TForm1;\r\nbegin\r\n  MainForm.Show; MainForm.Close;\r\nend.\r\n";
const std::string kOther = "nothing to see here\n";
const std::string kResource = std::string("\x02\x00\x05" "Form1" "\x07" "Caption", 16);

QString reportText() {
    TWqReportDlg& report = TWqReportDlg::instance();
    report.flush();
    return report.findChild<QPlainTextEdit*>(QStringLiteral("MemoReport"))->toPlainText();
}

int reportNumber(const QString& caption) {
    const QRegularExpressionMatch match = QRegularExpression(caption + QStringLiteral(": (\\d+)")).match(reportText());
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

} // namespace

class PreviewUndoTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_dir = std::make_unique<TempDir>();
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString(m_dir->path("state")));
        MessageBox::clearLastMessage();
        writeFile(m_dir->path("Unit1.pas"), kUnit);
        writeFile(m_dir->path("Notes.txt"), kOther);
        writeFile(m_dir->path("Strings.res"), kResource);
        writeFile(m_dir->path("run.swd"), kPrefix + "General Settings]\nShow String Length Prefix Warning=False\n" +
                                              kPrefix + "File List\\Contents]\nFile 0=" + m_dir->path("Unit1.pas") +
                                              ", True, None\nFile 1=" + m_dir->path("Notes.txt") +
                                              ", True, None\nFile 2=" + m_dir->path("Strings.res") + ", True, 8 Bit\n");
    }
    void cleanup() { m_dir.reset(); }

    void changeRowsShowBytesAsText();
    void previewShowsTheRunAndWritesNothing();
    void undoRestoresAWindowRunAfterAsking();

private:
    std::unique_ptr<TMainWindow> startWithDefinition() {
        auto window = startWindow(m_dir->path("run.swd"));
        TFindReplaceGridModel& grid = window->session().grid();
        grid.setCell(colFind, 0, "Form1");
        grid.setCell(colReplacement, 0, "MainForm");
        grid.setCell(colUse, 0, "Yes");
        grid.setCell(colCase, 0, "Yes");
        grid.setCell(colWords, 0, "Yes");
        window->updateActions();
        return window;
    }
    std::unique_ptr<TempDir> m_dir;
};

void PreviewUndoTest::changeRowsShowBytesAsText() {
    // The old line of one change: its bytes as text, the replaced bytes as spans of that text.
    const std::string longLine = std::string(3000, 'a') + "Form1";
    const struct {
        std::string old;
        TPreviewMark mark;
        QString text;
        std::vector<std::pair<int, int>> marks;
    } cases[] = {
        {"caf\xC3\xA9 Form1\r\n", {6, 5, 0}, QString::fromUtf8("- caf\xC3\xA9 Form1"), {{7, 5}}},
        {"caf\xE9 Form1\n", {5, 5, 0}, QString::fromUtf8("- caf\xC3\xA9 Form1"), {{7, 5}}},
        {"Form1\r\n", {0, 7, 0}, QString::fromUtf8("- Form1\xC2\xB6"), {{2, 5}, {7, 1}}},
        {"\xC3\xA9x\n", {1, 2, 0}, QString::fromUtf8("- \xC3\xA9x"), {{2, 2}}},
        {longLine, {3000, 5, 0}, QStringLiteral("- ") + QString(1998, QLatin1Char('a')) + QChar(0x2026), {}},
    };
    for (const auto& c : cases) {
        TFilePreview file;
        file.State = TPreviewState::Replaced;
        file.ContentChanged = true;
        file.ChangeCount = 2;
        TPreviewChange change;
        change.OldLine = change.NewLine = 7;
        change.OldLineCount = change.NewLineCount = 1;
        change.Old = c.old;
        change.OldMarks = {c.mark};
        change.New = "x\n";
        file.Changes = {change};
        TPreviewChangeModel model;
        model.setFile(&file);
        const auto& rows = model.rows();
        QCOMPARE(rows.size(), std::size_t{4}); // heading, old, new, the note of the change not kept
        QCOMPARE(rows[1].OldNumber, QStringLiteral("7"));
        QCOMPARE(rows[1].Text, c.text);
        QCOMPARE(rows[1].Marks, c.marks);
        QCOMPARE(rows[3].Text, QStringLiteral("1 more change is not shown; the first 1 are."));
    }
}

void PreviewUndoTest::previewShowsTheRunAndWritesNothing() {
    auto window = startWithDefinition();
    QSignalSpy finished(window.get(), &TMainWindow::runFinished);
    TRIGGER(*window, "ActionPreviewReplacements");
    QVERIFY(!window->action("ActionPreviewReplacements")->isEnabled());
    QVERIFY(waitFor([&] { return finished.count() == 1; }));
    TPreviewWindow* preview = window->previewWindow();
    QVERIFY(preview && preview->isVisible());
    QCOMPARE(preview->accessibleName(), QStringLiteral("Preview Replacements"));
    QVERIFY(window->action("ActionPreviewReplacements")->isEnabled());
    QCOMPARE(readFile(m_dir->path("Unit1.pas")), kUnit);
    QCOMPARE(readFile(m_dir->path("Strings.res")), kResource);
    QVERIFY(!std::filesystem::exists(m_dir->path("Unit1._pas")));
    QVERIFY(reportText().contains(QStringLiteral("Termination: Normal")));

    // The files with their counts, the one without a replacement listed as unchanged.
    const QAbstractItemModel* files = preview->fileView()->model();
    QCOMPARE(files->rowCount(), 3);
    const auto cell = [&](int row, int column) { return files->index(row, column).data().toString(); };
    QCOMPARE(cell(0, TPreviewFileModel::colFile), QString::fromStdString(m_dir->path("Unit1.pas")));
    QCOMPARE(cell(0, TPreviewFileModel::colReplacements), QStringLiteral("3"));
    QCOMPARE(cell(0, TPreviewFileModel::colChanges), QStringLiteral("2 changes"));
    QCOMPARE(cell(1, TPreviewFileModel::colChanges), QStringLiteral("unchanged"));
    QCOMPARE(cell(1, TPreviewFileModel::colReplacements), QStringLiteral("0"));
    QCOMPARE(cell(2, TPreviewFileModel::colReplacements), QStringLiteral("1"));
    QVERIFY(preview->summary()->text().contains(QStringLiteral("4 Replacements in total")));

    // The first changed file is shown: old over new, line numbers on their side, the spans marked.
    QCOMPARE(preview->fileView()->currentIndex().row(), 0);
    struct Expected {
        Kind kind;
        const char* oldNumber;
        const char* newNumber;
        const char* text;
        std::vector<std::pair<int, int>> marks;
    };
    const Expected unit[] = {
        {Kind::Heading, "", "", "Change 1 of 2, line 2", {}},
        {Kind::Context, "1", "1", "  unit Unit1;", {}},
        {Kind::Old, "2", "", "- var Form1: TForm1;", {{6, 5}}},
        {Kind::New, "", "2", "+ var MainForm: TForm1;", {{6, 8}}},
        {Kind::Context, "3", "3", "  begin", {}},
        {Kind::Heading, "", "", "Change 2 of 2, line 4", {}},
        {Kind::Context, "3", "3", "  begin", {}},
        {Kind::Old, "4", "", "-   Form1.Show; Form1.Close;", {{4, 5}, {16, 5}}},
        {Kind::New, "", "4", "+   MainForm.Show; MainForm.Close;", {{4, 8}, {19, 8}}},
        {Kind::Context, "5", "5", "  end.", {}},
    };
    const auto& rows = preview->changeModel().rows();
    QCOMPARE(rows.size(), std::size(unit));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        QCOMPARE(int(rows[i].Kind), int(unit[i].kind));
        QCOMPARE(rows[i].OldNumber, QString(unit[i].oldNumber));
        QCOMPARE(rows[i].NewNumber, QString(unit[i].newNumber));
        QCOMPARE(rows[i].Text, QString(unit[i].text));
        QCOMPARE(rows[i].Marks, unit[i].marks);
    }

    // A file with a string length prefix shows its bytes, the replaced string marked.
    preview->selectFile(2);
    const auto& bytes = preview->changeModel().rows();
    QVERIFY(bytes.size() >= 3);
    QVERIFY(bytes[1].Kind == Kind::Old && bytes[2].Kind == Kind::New);
    QVERIFY2(bytes[1].Text.startsWith(QStringLiteral("- 05 46 6F 72 6D 31")), qPrintable(bytes[1].Text));
    QVERIFY2(bytes[2].Text.startsWith(QStringLiteral("+ 08 4D 61 69 6E 46 6F 72 6D")), qPrintable(bytes[2].Text));
    QVERIFY(bytes[2].Text.endsWith(QStringLiteral(".MainForm")));
    QVERIFY(!bytes[2].Marks.empty());
    preview->selectFile(1);
    QCOMPARE(preview->changeModel().rows().front().Text, QStringLiteral("No replacement in this file."));

    // The real run from the preview: the window goes, the files are written, the counts are the preview's.
    QTest::mouseClick(preview->findChild<QPushButton*>(QStringLiteral("BtnExecute")), Qt::LeftButton);
    QVERIFY(waitFor([&] { return finished.count() == 2; }));
    QVERIFY(!window->previewWindow());
    QCOMPARE(readFile(m_dir->path("Unit1.pas")), kUnitReplaced);
    QCOMPARE(readFile(m_dir->path("Strings.res")), std::string("\x02\x00\x08" "MainForm" "\x07" "Caption", 19));
    QCOMPARE(reportNumber(QStringLiteral("Total Number of Replacements done")), 4);

    // A window closed while its preview is open: the preview goes first and keeps its placement.
    TRIGGER(*window, "ActionPreviewReplacements");
    QVERIFY(waitFor([&] { return finished.count() == 3; }));
    QVERIFY(window->previewWindow());
    QCOMPARE(window->previewWindow()->files().front().Replacements, 0);
    window.reset();
    QCOMPARE(storedValues(m_dir->path("run.swd"), "Preview Form").count("Preview Form Width"), std::size_t{1});
}

void PreviewUndoTest::undoRestoresAWindowRunAfterAsking() {
    auto window = startWithDefinition();
    QAction* undo = window->action("ActionUndoLastRun");
    QVERIFY(!undo->isEnabled()); // no run kept yet
    QSignalSpy finished(window.get(), &TMainWindow::runFinished);
    TRIGGER(*window, "ActionExecuteReplacements");
    QVERIFY(waitFor([&] { return finished.count() == 1; }));
    QCOMPARE(readFile(m_dir->path("Unit1.pas")), kUnitReplaced);
    std::filesystem::permissions(m_dir->path("Unit1.pas"), std::filesystem::perms(0640));

    // Asked first: No changes nothing.
    MessageBox::setNextAnswer(QMessageBox::No);
    TRIGGER(*window, "ActionUndoLastRun");
    QVERIFY(waitFor([&] { return !window->runPending(); }));
    QTest::qWait(20);
    const auto asked = MessageBox::lastMessage();
    QVERIFY(asked && asked->severity == MessageSeverity::Confirm);
    const auto run = window->session().undoHistory().lastNotUndone();
    QVERIFY(run);
    QVERIFY2(asked->text.contains(QString::fromStdString(run->StartText)) && asked->text.contains(QStringLiteral("3 Files")),
             qPrintable(asked->text));
    QCOMPARE(readFile(m_dir->path("Unit1.pas")), kUnitReplaced);
    QCOMPARE(finished.count(), 1);
    QVERIFY(undo->isEnabled());

    // Yes: every file back byte for byte, its mode kept, the report in the report window.
    MessageBox::setNextAnswer(QMessageBox::Yes);
    TRIGGER(*window, "ActionUndoLastRun");
    QVERIFY(waitFor([&] { return finished.count() == 2; }));
    QCOMPARE(readFile(m_dir->path("Unit1.pas")), kUnit);
    QCOMPARE(readFile(m_dir->path("Notes.txt")), kOther);
    QCOMPARE(readFile(m_dir->path("Strings.res")), kResource);
    QCOMPARE(std::filesystem::status(m_dir->path("Unit1.pas")).permissions() & std::filesystem::perms::all,
             std::filesystem::perms(0640));
    QCOMPARE(reportNumber(QStringLiteral("Total Number of Files restored")), 3);
    QVERIFY(TWqReportDlg::instance().isVisible());
    QVERIFY(!undo->isEnabled());
    QVERIFY(!window->session().undoHistory().lastNotUndone());
}

int main(int argc, char** argv) {
    TWqApplication application(argc, argv);
    PreviewUndoTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "preview_undo_test.moc"
