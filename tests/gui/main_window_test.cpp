#include "core/base/files.h"
#include "core/filelist/file_list_model.h"
#include "core/grid/find_replace_grid_model.h"
#include "gui/controls/wq_list_view.h"
#include "gui/controls/wq_splitter.h"
#include "gui/desktop_registration.h"
#include "gui/file_dialogs.h"
#include "gui/find_replace_grid.h"
#include "gui/message_box.h"
#include "gui/progress_form.h"
#include "gui/report_dialog.h"
#include "gui/gui_test_support.h"
#include "test_support/cli_process.h"
#include "test_support/temp_dir.h"

#include <QDesktopServices>
#include <QProcess>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <filesystem>

using namespace swapwright;
using namespace swapwright::gui;
using namespace swapwright::gui::test;
namespace fs = std::filesystem;
using swapwright::test::readFile;
using swapwright::test::TempDir;
using swapwright::test::writeFile;

namespace {

// What the report window's text area shows (after its pending lines are in).
QString reportText() {
    TWqReportDlg& report = TWqReportDlg::instance();
    report.flush();
    auto* text = report.findChild<QPlainTextEdit*>(QStringLiteral("MemoReport"));
    return text ? text->toPlainText() : QString();
}

const std::string kPrefix = "[HKEY_CURRENT_USER\\Software\\Wq - Software\\Wq - Swapwright\\";

std::vector<std::string> listedNames(TMainWindow& window) {
    std::vector<std::string> names;
    const TFileListModel& list = window.session().fileList();
    for (int i = 0; i < list.entryCount(); ++i)
        names.push_back(list.entryFileName(i));
    return names;
}

// The object names of a menu's entries, "-" for a separator.
QStringList menuEntries(const QMenu& menu) {
    QStringList entries;
    for (const QAction* a : menu.actions())
        entries << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    return entries;
}

void clickCell(TWqFindReplaceGrid& grid, int column, int row) {
    const QRect cell = grid.visualRect(grid.model()->index(row, column));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
}

// Catches what the window asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_dir = std::make_unique<TempDir>();
        m_store = m_dir->path("settings.swd");
        MessageBox::clearLastMessage();
    }
    void cleanup() { m_dir.reset(); }

    void actionsToolBarAndMenus();
    void startUpWithTwoDefinitionFiles();
    void startUpWithDefinitionFileAndTwoFiles();
    void runActionFollowsTheNextUpdate();
    void gridCommandsAndSavedCells();
    void stateSurvivesARestart();
    void savedToDefinitionFileExitWritesThere();
    void listStatusAndDroppedFiles();
    void aboutGuideAndPrint();
    void runIsQueuedAndSingle();
    void closingDuringARun();
    void runFromTheWindowMatchesTheCommandLine();
    void definitionFileTypeRegistration();

private:
    std::unique_ptr<TempDir> m_dir;
    std::string m_store;
};

void MainWindowTest::actionsToolBarAndMenus() {
    auto window = startWindow(m_store);
    struct Expected {
        const char* name;
        const char* category;
        const char* caption;
        const char* hint;
    };
    const Expected main[] = {
        {"ActionExecuteReplacements", "Main", "Execute Replacements", "Start the replacing Operation"},
        {"ActionPreviewReplacements", "Main", "Preview Replacements",
         "Show every Change of the replacing Operation before anything is written"},
        {"ActionUndoLastRun", "Main", "Undo Last Run", "Put back the Files of the last replacing Operation"},
        {"ActionAddFiles", "Main", "Add Files", "Add Files to be processed ..."},
        {"ActionAddFolder", "Main", "Add Folder ...", "Add the Files of a Folder and its Subfolders ..."},
        {"ActionPrint", "Main", "Print", "Print the Contents of this Window ..."},
        {"ActionSetFont", "Main", "Set Font", "Change the Font of the Lists ..."},
        {"ActionExitApplication", "Main", "Exit Application", "Exit this Application"},
        {"ActionSettingsDlg", "Settings", "Settings Dialog ...", "Application Settings ..."},
        {"ActionSaveSettings", "Settings", "Save current Settings now", "Save current Settings now"},
        {"ActionSaveSettingsToFile", "Settings", "Save current Settings to File ...", "Save current Settings to File"},
        {"ActionLoadSettingsFromFile", "Settings", "Load Settings from File ...", "Load Settings from File"},
        {"ActionInfoAbout", "Info", "About this Application ...", "Information about this Application"},
        {"ActionInfoWeb", "Info", "Wq-Software Web Site ...", "Go to Wq-Software Web Site"},
    };
    for (const Expected& e : main) {
        QAction* a = window->action(e.name);
        QVERIFY2(a, e.name);
        QCOMPARE(a->objectName(), QString(e.name));
        QCOMPARE(a->property("category").toString(), QString(e.category));
        QCOMPARE(a->text(), QString(e.caption));
        QCOMPARE(a->toolTip(), QString(e.hint));
    }
    for (const auto& c : FileListCommands())
        QCOMPARE(window->action(c.ActionName)->property("category").toString(), QStringLiteral("FileList"));
    for (const auto& c : GridCommands()) {
        QCOMPARE(window->action(c.ActionName)->property("category").toString(), QStringLiteral("FindReplaceGrid"));
        QCOMPARE(window->action(c.ActionName)->text(), QString::fromUtf8(c.Caption.data(), c.Caption.size()));
    }
    QCOMPARE(window->actions().size(), std::size_t{14 + 15 + 7});

    // The tool bar from top to bottom, each button named by its action's caption.
    auto* bar = window->findChild<QToolBar*>(QStringLiteral("ToolBar"));
    QVERIFY(bar);
    QCOMPARE(window->toolBarArea(bar), Qt::RightToolBarArea);
    QStringList order, names;
    for (QAction* a : bar->actions())
        if (auto* b = qobject_cast<QToolButton*>(bar->widgetForAction(a))) {
            order << b->objectName();
            names << b->accessibleName();
            QCOMPARE(b->size(), QSize(36, 36));
        }
    QCOMPARE(order, QStringList({"BtnOpen", "BtnAddFolder", "BtnFileListOperations", "BtnExecute", "BtnPreview",
                                 "BtnUndoLastRun", "BtnPrintForm", "BtnSetFont", "BtnSettings", "BtnInfo", "ToolButton1"}));
    QCOMPARE(names, QStringList({"Add Files", "Add Folder ...", "File List Operations", "Execute Replacements",
                                 "Preview Replacements", "Undo Last Run", "Print", "Set Font", "Settings Dialog ...",
                                 "Information", "Exit Application"}));

    QCOMPARE(menuEntries(*window->fileListMenu()),
             QStringList({"ActionAddFolder", "-", "ActionRefreshFileStates", "-", "ActionMarkSelectedFilesAsChecked",
                          "ActionMarkSelectedFilesAsUnchecked", "ActionMarkAllFilesAsChecked",
                          "ActionMarkAllFilesAsUnchecked", "-", "ActionRemoveAllFiles", "ActionRemoveSelectedFiles", "-",
                          "ActionPreviewReplacements", "ActionUndoLastRun", "-",
                          "ActionAllFilesStrLenPrefixNone", "ActionAllFilesStrLenPrefix8Bit",
                          "ActionAllFilesStrLenPrefix16Bit", "ActionAllFilesStrLenPrefix32Bit", "-",
                          "ActionSelectedFilesStrLenPrefixNone", "ActionSelectedFilesStrLenPrefix8Bit",
                          "ActionSelectedFilesStrLenPrefix16Bit", "ActionSelectedFilesStrLenPrefix32Bit"}));
    QCOMPARE(menuEntries(*window->gridMenu()),
             QStringList({"ActionClearFindReplaceGrid", "-", "ActionUseAllReplacements", "ActionUseNoReplacements", "-",
                          "ActionAllReplacementsCasesensitive", "ActionNoReplacementCaseSensitive", "-",
                          "ActionAllReplacementsAsWholeWords", "ActionNoReplacementAsWholeWord"}));
    QCOMPARE(menuEntries(*window->settingsMenu()),
             QStringList({"ActionSettingsDlg", "-", "ActionSaveSettings", "-", "ActionSaveSettingsToFile",
                          "ActionLoadSettingsFromFile"}));
    QCOMPARE(menuEntries(*window->infoMenu()), QStringList({"ActionInfoAbout", "ActionInfoWeb"}));

    // Layout: designed size, grid height and focus, status bar height.
    QCOMPARE(window->size(), QSize(496, 477));
    QCOMPARE(window->grid()->height(), 156);
    QCOMPARE(window->splitter()->height(), 6);
    QVERIFY(window->grid()->hasFocus());
    QCOMPARE(window->grid()->currentIndex().column(), int(colFind));
    QCOMPARE(window->grid()->currentIndex().row(), 0);

    // With an empty list every file list command is disabled; the caption names the settings file.
    for (const auto& c : FileListCommands())
        QVERIFY(!window->action(c.ActionName)->isEnabled());
    QCOMPARE(window->windowTitle(), QString::fromStdString("Wq - Swapwright  [" + m_store + "]"));
}

void MainWindowTest::startUpWithTwoDefinitionFiles() {
    writeFile(m_dir->path("a.swd"), kPrefix + "File List\\Contents]\nFile 0=" + m_dir->path("fromA.txt") + ", True, None\n");
    writeFile(m_dir->path("b.swd"), kPrefix + "File List\\Contents]\nFile 0=" + m_dir->path("fromB.txt") + ", True, None\n");
    auto window = startWindow(m_store, {m_dir->path("a.swd"), m_dir->path("b.swd")});
    QCOMPARE(window->windowTitle(), QString::fromStdString("Wq - Swapwright  [" + m_dir->path("a.swd") + "]"));
    QCOMPARE(listedNames(*window), std::vector<std::string>{m_dir->path("fromA.txt")});
}

void MainWindowTest::startUpWithDefinitionFileAndTwoFiles() {
    writeFile(m_dir->path("one.txt"), "1");
    writeFile(m_dir->path("two.txt"), "2");
    writeFile(m_dir->path("defs.swd"), kPrefix + "File List\\Contents]\nFile 0=" + m_dir->path("stored.pas") + ", False, None\n");
    const std::string cwd = fs::current_path();
    fs::current_path(m_dir->root());
    auto window = startWindow(m_store, {"one.txt", "defs.swd", "two.txt"});
    fs::current_path(cwd);
    QCOMPARE(window->windowTitle(), QString::fromStdString("Wq - Swapwright  [" + m_dir->path("defs.swd") + "]"));
    QCOMPARE(listedNames(*window),
             (std::vector<std::string>{m_dir->path("stored.pas"), m_dir->path("one.txt"), m_dir->path("two.txt")}));
    QCOMPARE(window->session().fileList().entry(1).StateImage, int(fsiExists));
    QCOMPARE(window->session().fileList().entry(0).StateImage, int(fsiMissing));
}

void MainWindowTest::runActionFollowsTheNextUpdate() {
    auto window = startWindow(m_store);
    TWqFindReplaceGrid& grid = *window->grid();
    QAction* run = window->action("ActionExecuteReplacements");
    QVERIFY(!run->isEnabled());
    clickCell(grid, colUse, 2); // Use on, Find still empty
    QCOMPARE(window->session().grid().cellText(colUse, 2), std::string("Yes"));
    QVERIFY(!run->isEnabled());
    // Typing the find text brings nothing up to date ...
    clickCell(grid, colFind, 2);
    QTest::keyClick(&grid, 'F');
    QVERIFY(QApplication::focusWidget() && QApplication::focusWidget()->objectName() == QStringLiteral("GridCellEditor"));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("orm1"));
    QVERIFY(!run->isEnabled());
    // ... the next click in the grid does (it also ends the edit).
    clickCell(grid, colReplacement, 5);
    QCOMPARE(QString::fromStdString(window->session().grid().cellText(colFind, 2)), QStringLiteral("Form1"));
    QVERIFY(run->isEnabled());
}

void MainWindowTest::gridCommandsAndSavedCells() {
    auto window = startWindow(m_store);
    TFindReplaceGridModel& grid = window->session().grid();
    TRIGGER(*window, "ActionUseAllReplacements");
    for (int row = 0; row < grid.definitionRowCount(); ++row)
        QCOMPARE(grid.cellText(colUse, row), std::string("Yes"));
    TRIGGER(*window, "ActionClearFindReplaceGrid");
    QVERIFY(grid.cellText(colUse, 0).empty());

    // Only the Use and Find cells of definition row 3 are filled: exactly two values are written.
    window->grid()->model()->setData(window->grid()->model()->index(2, colFind), QStringLiteral("TForm1"));
    clickCell(*window->grid(), colUse, 2);
    TRIGGER(*window, "ActionSaveSettings");
    const auto cells = storedValues(m_store, "Find Replace Grid\\Cell Contents");
    QCOMPARE(cells.size(), std::size_t{2});
    QCOMPARE(cells.at("Grid Cell (0, 2)"), std::string("Yes"));
    QCOMPARE(cells.at("Grid Cell (1, 2)"), std::string("TForm1"));
}

void MainWindowTest::stateSurvivesARestart() {
    writeFile(m_dir->path("unit1.pas"), "unit Unit1;");
    {
        auto window = startWindow(m_store, {m_dir->path("unit1.pas"), m_dir->path("gone.pas")});
        TRIGGER(*window, "ActionAllFilesStrLenPrefix16Bit");
        window->session().fileList().setChecked(1, false);
        auto* model = window->grid()->model();
        model->setData(model->index(0, colFind), QStringLiteral("Ä\r\nB"));
        model->setData(model->index(0, colReplacement), QStringLiteral(" 'x' "));
        clickCell(*window->grid(), colWords, 0);
        window->grid()->setColumnWidth(colFind, 177);
        window->fileList()->setColumnWidth(2, 81);
        window->resize(640, 520);
        window->grid()->setFixedHeight(190);
        window->splitter()->updateSizeRatio();
        window->close();
    }
    // The stored 16 Bit entry asks the prefix warning while it is loaded; No stops it.
    MessageBox::setNextAnswer(QMessageBox::No);
    auto window = startWindow(m_store);
    QCOMPARE(MessageBox::lastMessage()->title, QStringLiteral("Warning"));
    QCOMPARE(listedNames(*window), (std::vector<std::string>{m_dir->path("unit1.pas"), m_dir->path("gone.pas")}));
    QCOMPARE(window->session().fileList().entry(0).PrefixText, std::string("16 Bit"));
    QVERIFY(window->session().fileList().entry(0).Checked);
    QVERIFY(!window->session().fileList().entry(1).Checked);
    const TFindReplaceGridModel& grid = window->session().grid();
    QCOMPARE(grid.cellText(colFind, 0), std::string("\xC3\x84\r\nB"));
    QCOMPARE(grid.cellText(colReplacement, 0), std::string(" 'x' "));
    QCOMPARE(grid.cellText(colWords, 0), std::string("Yes"));
    QCOMPARE(window->grid()->columnWidth(colFind), 177);
    QCOMPARE(window->fileList()->columnWidth(2), 81);
    QCOMPARE(window->grid()->height(), 190);
    QCOMPARE(window->size(), QSize(640, 520));
}

void MainWindowTest::savedToDefinitionFileExitWritesThere() {
    const std::string defs = m_dir->path("project.swd");
    {
        auto window = startWindow(m_store);
        QSignalSpy closed(window.get(), &TMainWindow::closed);
        setNextFileDialogAnswer({defs});
        TRIGGER(*window, "ActionSaveSettingsToFile");
        QCOMPARE(lastFileDialog()->title, QStringLiteral("Save Swapdef to File"));
        QCOMPARE(lastFileDialog()->filters, QStringList({"Swapdef Files (*.swd)", "All Files (*)"}));
        QCOMPARE(lastFileDialog()->defaultSuffix, QStringLiteral("swd"));
        QVERIFY(lastFileDialog()->confirmOverwrite);
        QCOMPARE(window->windowTitle(), QString::fromStdString("Wq - Swapwright  [" + defs + "]"));
        window->session().AddFiles({m_dir->path("late.pas")});
        TRIGGER(*window, "ActionExitApplication");
        QVERIFY(waitFor([&] { return closed.count() == 1; }));
    }
    QCOMPARE(storedValues(defs, "File List\\Contents").at("File 0"), m_dir->path("late.pas") + ", True, None");
    QVERIFY(!fs::exists(m_store) || storedValues(m_store, "File List\\Contents").empty());

    // Loading it again through the load dialog.
    auto window = startWindow(m_store);
    setNextFileDialogAnswer({defs});
    TRIGGER(*window, "ActionLoadSettingsFromFile");
    QCOMPARE(lastFileDialog()->title, QStringLiteral("Load Swapdef from File"));
    QCOMPARE(lastFileDialog()->fileMode, QFileDialog::ExistingFile);
    QCOMPARE(listedNames(*window), std::vector<std::string>{m_dir->path("late.pas")});
}

void MainWindowTest::listStatusAndDroppedFiles() {
    writeFile(m_dir->path("a.pas"), std::string(1536, 'a'));
    auto window = startWindow(m_store);
    // The sanitizers' allocator keeps no count of its own: there the figure is 0.
    const QString bytes = qEnvironmentVariableIsSet("SWAPWRIGHT_SANITIZED") ? QStringLiteral("[0-9]+") : QStringLiteral("[1-9][0-9]*");
    QVERIFY(QRegularExpression(QStringLiteral("^Allocated Memory: %1 Bytes    Files: 0$").arg(bytes))
                .match(window->statusText()->text())
                .hasMatch());
    setNextFileDialogAnswer({m_dir->path("a.pas")});
    TRIGGER(*window, "ActionAddFiles");
    QCOMPARE(lastFileDialog()->title, QStringLiteral("Add Files to be processed"));
    QCOMPARE(lastFileDialog()->fileMode, QFileDialog::ExistingFiles);
    // The first column shows the whole stored name, the status bar follows within a second.
    QAbstractItemModel* model = window->fileList()->model();
    QCOMPARE(model->data(model->index(0, 0)).toString(), QString::fromStdString(m_dir->path("a.pas")));
    QCOMPARE(model->data(model->index(0, 2)).toString(), QStringLiteral("2 KB"));
    QVERIFY(waitFor([&] { return window->statusText()->text().endsWith(QStringLiteral("Files: 1")); }, 2500));

    // Three files in one drop, added in the drop's order once the drop has been answered.
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(m_dir->path("z.pas"))),
                  QUrl::fromLocalFile(QString::fromStdString(m_dir->path("y.pas"))),
                  QUrl::fromLocalFile(QString::fromStdString(m_dir->path("x.pas")))});
    QWidget* target = window->fileList()->viewport();
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &drop);
    QVERIFY(waitFor([&] { return window->session().fileList().entryCount() == 4; }));
    QCOMPARE(listedNames(*window), (std::vector<std::string>{m_dir->path("a.pas"), m_dir->path("z.pas"),
                                                            m_dir->path("y.pas"), m_dir->path("x.pas")}));

    // Selecting entries enables the commands on selected entries; removing them brings the rest up to date.
    QVERIFY(!window->action("ActionRemoveSelectedFiles")->isEnabled());
    window->fileList()->selectionModel()->select(model->index(1, 0),
                                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
    window->fileList()->selectionModel()->select(model->index(2, 0),
                                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
    TRIGGER(*window, "ActionRemoveSelectedFiles");
    QCOMPARE(listedNames(*window), (std::vector<std::string>{m_dir->path("a.pas"), m_dir->path("x.pas")}));
    TRIGGER(*window, "ActionRemoveAllFiles");
    QVERIFY(!window->action("ActionRemoveAllFiles")->isEnabled());
}

void MainWindowTest::aboutGuideAndPrint() {
    auto window = startWindow(m_store);
    TRIGGER(*window, "ActionInfoAbout");
    QDialog* about = window->findChild<QDialog*>(QStringLiteral("AboutWindow"));
    QVERIFY(about && about->isVisible() && !about->isModal());
    QCOMPARE(about->windowTitle(), QStringLiteral("Information About the Wq - Swapwright"));
    about->close();
    TRIGGER(*window, "ActionInfoAbout");
    QCOMPARE(window->findChildren<QDialog*>(QStringLiteral("AboutWindow")).size(), 1);

    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    TRIGGER(*window, "ActionInfoWeb");
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(catcher.urls.size(), 1);
    QVERIFY(catcher.urls[0].toLocalFile().endsWith(QStringLiteral("/guide.html")));
    QVERIFY(readFile(catcher.urls[0].toLocalFile().toStdString()).find("<h1>") != std::string::npos);

    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(m_dir->path("window.pdf")));
    window->printWindowImage(printer);
    QVERIFY(readFile(m_dir->path("window.pdf")).starts_with("%PDF"));
}

void MainWindowTest::runIsQueuedAndSingle() {
    writeFile(m_dir->path("a.txt"), "Form1 Form1");
    auto window = startWindow(m_store, {m_dir->path("a.txt")});
    auto* model = window->grid()->model();
    model->setData(model->index(0, colFind), QStringLiteral("Form1"));
    model->setData(model->index(0, colReplacement), QStringLiteral("Main"));
    clickCell(*window->grid(), colUse, 0);
    QSignalSpy finished(window.get(), &TMainWindow::runFinished);
    TRIGGER(*window, "ActionExecuteReplacements");
    // Triggering returned before the run started; the action stays disabled until it has returned.
    QVERIFY(window->runPending());
    QCOMPARE(readFile(m_dir->path("a.txt")), std::string("Form1 Form1"));
    QVERIFY(!window->action("ActionExecuteReplacements")->isEnabled());
    window->action("ActionExecuteReplacements")->trigger();
    QVERIFY(waitFor([&] { return finished.count() == 1; }));
    QTest::qWait(50);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(readFile(m_dir->path("a.txt")), std::string("Main Main"));
    QCOMPARE(window->session().grid().cellText(colSum, 0), std::string("2"));
    QVERIFY(TWqReportDlg::instance().isVisible());
    QVERIFY(reportText().contains(QString::fromStdString("Processing File: " + m_dir->path("a.txt"))));
    QVERIFY(reportText().trimmed().endsWith(QStringLiteral("Termination: Normal")));
    QVERIFY(window->action("ActionExecuteReplacements")->isEnabled());
}

void MainWindowTest::closingDuringARun() {
    std::vector<std::string> names;
    const std::string content(20000, 'x');
    for (int i = 0; i < 300; ++i) {
        names.push_back(m_dir->path("f" + std::to_string(1000 + i) + ".txt"));
        writeFile(names.back(), content);
    }
    auto window = startWindow(m_store, names);
    auto* model = window->grid()->model();
    model->setData(model->index(0, colFind), QStringLiteral("x"));
    model->setData(model->index(0, colReplacement), QStringLiteral("yy"));
    clickCell(*window->grid(), colUse, 0);
    QSignalSpy closed(window.get(), &TMainWindow::closed);
    QSignalSpy finished(window.get(), &TMainWindow::runFinished);
    bool progressShown = false;

    bool closeRefused = false, runActionDisabled = false;
    QTimer closer;
    closer.setInterval(1);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (!window->session().RunInProgress())
            return;
        closer.stop();
        runActionDisabled = !window->action("ActionExecuteReplacements")->isEnabled();
        progressShown = TWqProgressForm::running() && TWqProgressForm::running()->isVisible();
        closeRefused = !window->close();
    });
    closer.start();
    TRIGGER(*window, "ActionExecuteReplacements");
    QVERIFY(waitFor([&] { return closed.count() == 1; }, 60000));
    QVERIFY(closeRefused);
    QVERIFY(runActionDisabled);
    QVERIFY(progressShown);
    QVERIFY(!TWqProgressForm::running());
    QCOMPARE(finished.count(), 1);
    // Cancelled: the last files were never touched.
    QCOMPARE(readFile(names.back()), content);
    QVERIFY(reportText().trimmed().endsWith(QStringLiteral("Termination: Canceled by User")));
}

void MainWindowTest::runFromTheWindowMatchesTheCommandLine() {
    const std::string corpus = std::string(SWAPWRIGHT_SOURCE_DIR) + "/tests/fixtures/corpus/";
    const std::string example = std::string(SWAPWRIGHT_SOURCE_DIR) + "/examples/billing/";
    const std::string a = m_dir->path("window"), b = m_dir->path("cli");
    fs::create_directories(a);
    const std::vector<std::pair<std::string, std::string>> inputs = {
        {corpus + "dfm-binary/jrsoftware__issrc__Wizard.dfm", "Wizard.dfm"},
        {corpus + "dfm-binary/TurboPack__SysTools__StAbout0.dfm", "StAbout0.dfm"},
        {corpus + "dfm-binary/TurboPack__Orpheus__filview2.dfm", "filview2.dfm"},
        {corpus + "dfm-binary/project-jedi__jvcl__JvSIMDModifyForm.dfm", "Broken.dfm"},
        {corpus + "dfm-text/project-jedi__jvcl__JvgCheckVersionInfo.dfm", "CheckVersion.dfm"},
        {corpus + "dfm-text/jrsoftware__issrc__Main.dfm", "Main.dfm"},
        {example + "Billing.dpr", "Billing.dpr"},
        {example + "Invoices.pas", "Invoices.pas"},
        {example + "Customers.pas", "Customers.pas"},
    };
    for (const auto& [from, to] : inputs)
        fs::copy_file(from, a + "/" + to);
    const std::string defs = a + "/run.swd";
    writeFile(defs, kPrefix + "Main Window]\nOperation Error Action=0\n");
    {
        // The project file brings its units; the form files are added as they are.
        auto window = startWindow(defs, {a + "/Billing.dpr", a + "/Wizard.dfm", a + "/StAbout0.dfm", a + "/filview2.dfm",
                                         a + "/Broken.dfm", a + "/CheckVersion.dfm", a + "/Main.dfm"});
        QCOMPARE(window->session().fileList().entryCount(), 9);
        QAbstractItemModel* model = window->grid()->model();
        const char* rows[][5] = {{"Yes", "MS Sans Serif", "DejaVu Sans", "Yes", "No"},
                                 {"Yes", "TLabel", "TStaticText", "Yes", "Yes"},
                                 {"Yes", "Caption", "Title", "Yes", "Yes"},
                                 {"Yes", "customername", "ClientName", "No", "No"},
                                 {"Yes", "Invoice", "Bill", "No", "No"}};
        for (int row = 0; row < 5; ++row) {
            for (int column : {int(colFind), int(colReplacement)})
                model->setData(model->index(row, column), QString::fromUtf8(rows[row][column - colUse]));
            for (int column : {int(colUse), int(colCase), int(colWords)})
                model->setData(model->index(row, column),
                               std::string_view(rows[row][column - colUse]) == "Yes" ? Qt::Checked : Qt::Unchecked,
                               Qt::CheckStateRole);
        }
        TRIGGER(*window, "ActionSaveSettings");
        fs::copy(a, b, fs::copy_options::recursive);
        std::string text = readFile(b + "/run.swd");
        for (std::size_t at = text.find(a); at != std::string::npos; at = text.find(a, at + b.size()))
            text.replace(at, a.size(), b);
        writeFile(b + "/run.swd", text);

        QSignalSpy finished(window.get(), &TMainWindow::runFinished);
        window->updateActions();
        TRIGGER(*window, "ActionExecuteReplacements");
        QVERIFY(waitFor([&] { return finished.count() == 1; }, 60000));
    }
    const auto cli = swapwright::test::runCli(b, {"run", b + "/run.swd"});
    QCOMPARE(cli.status, 1); // the broken form file fails in both
    QVERIFY(readFile(a + "/Invoices.pas") != readFile(example + "Invoices.pas"));
    QVERIFY(readFile(a + "/Wizard.dfm") != readFile(corpus + "dfm-binary/jrsoftware__issrc__Wizard.dfm"));
    QCOMPARE(readFile(a + "/Broken.dfm"), readFile(corpus + "dfm-binary/project-jedi__jvcl__JvSIMDModifyForm.dfm"));
    std::vector<std::string> names = swapwright::test::folderEntries(a);
    QCOMPARE(names, swapwright::test::folderEntries(b));
    for (const std::string& name : names)
        if (name != "run.swd")
            QVERIFY2(readFile(a + "/" + name) == readFile(b + "/" + name), name.c_str());
}

void MainWindowTest::definitionFileTypeRegistration() {
    const std::string home = m_dir->path("share");
    const std::string program = m_dir->path("bin/swap wright");
    writeFile(program, "#!/bin/sh\n");
    QCOMPARE(RegisterDefinitionFileType(m_dir->path("bin/none"), home, "<svg/>"), 0);
    QCOMPARE(RegisterDefinitionFileType(program, home, "<svg/>"), 3);
    QCOMPARE(RegisterDefinitionFileType(program, home, "<svg/>"), 0); // written only when it differs
    const std::string mime = readFile(home + "/mime/packages/swapwright.xml");
    // The same package as an installation puts in place.
    QCOMPARE(mime, readFile(std::string(SWAPWRIGHT_SOURCE_DIR) + "/packaging/swapwright-mime.xml"));
    QVERIFY(mime.find("<glob pattern=\"*.swd\"/>") != std::string::npos);
    QVERIFY(mime.find("type=\"application/x-wqswapdef\"") != std::string::npos);
    const std::string desktop = readFile(home + "/applications/swapwright.desktop");
    QVERIFY(desktop.find("Exec=\"" + program + "\" %F\n") != std::string::npos);
    QVERIFY(desktop.find("MimeType=application/x-wqswapdef;\n") != std::string::npos);
    QCOMPARE(readFile(home + "/icons/hicolor/scalable/apps/swapwright.svg"), std::string("<svg/>"));
    if (fs::exists("/usr/bin/desktop-file-validate")) {
        QProcess check;
        check.start(QStringLiteral("/usr/bin/desktop-file-validate"),
                    {QString::fromStdString(home + "/applications/swapwright.desktop")});
        QVERIFY(check.waitForFinished(20000));
        QVERIFY2(check.exitCode() == 0, check.readAllStandardOutput().constData());
    }
    // A file that cannot be written is passed over (a folder in its place; permissions do not stop root).
    fs::remove(home + "/applications/swapwright.desktop");
    fs::create_directories(home + "/applications/swapwright.desktop");
    QCOMPARE(RegisterDefinitionFileType(program, home, "<svg/>"), 0);
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
