#include "gui/shots/scenes.h"

#include "core/base/exceptions.h"
#include "core/engine/operation_report.h"
#include "core/filelist/extension_families.h"
#include "core/settings/app_settings.h"
#include "core/settings/app_store.h"
#include "gui/add_folder_dialog.h"
#include "gui/controls/button_bar.h"
#include "gui/controls/wq_combo_box.h"
#include "gui/controls/wq_integer_edit.h"
#include "gui/controls/wq_list_view.h"
#include "gui/controls/wq_size_grip.h"
#include "gui/controls/wq_splitter.h"
#include "gui/exception_dialog.h"
#include "gui/main_window.h"
#include "gui/preview_window.h"
#include "gui/settings_window.h"
#include "gui/icons.h"
#include "gui/message_box.h"
#include "gui/progress_form.h"
#include "gui/qt_date_time_formatter.h"
#include "gui/report_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScreen>
#include <QTimer>
#include <QFormLayout>
#include <QTemporaryDir>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QUrl>
#include <QDragEnterEvent>
#include <QStandardItemModel>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>
#include <memory>

namespace swapwright::gui::shots {

namespace {

std::unique_ptr<QWidget> exceptionDialog(const std::exception_ptr& exception) {
    return std::make_unique<TWqExceptionDlg>(exception, 3);
}

// The support controls as the main window and the settings dialog will use them: the file list over
// a splitter, an integer edit and a read-only combo box, the tool bar pictures and a size grip.
std::unique_ptr<QWidget> supportControls() {
    auto window = std::make_unique<QWidget>();
    window->setWindowTitle(QStringLiteral("Support Controls"));
    window->setAccessibleName(window->windowTitle());
    window->resize(620, 477);

    auto* outer = new QHBoxLayout(window.get());
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* panel = new QWidget(window.get());
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* model = new QStandardItemModel(0, 3, window.get());
    model->setHorizontalHeaderLabels(
        {QStringLiteral("Files to be processed"), QStringLiteral("String Length Prefix"), QStringLiteral("Size")});
    const struct {
        const char* name;
        const char* prefix;
        const char* size;
        bool checked;
        bool exists;
    } files[] = {
        {"/home/anna/projects/billing/src/Invoices.pas", "None", "14 KB", true, true},
        {"/home/anna/projects/billing/src/Invoices.dfm", "None", "6 KB", true, true},
        {"/home/anna/projects/billing/src/Customers.pas", "None", "31 KB", true, true},
        {"/home/anna/projects/billing/src/Customers.dfm", "None", "9 KB", false, true},
        {"/home/anna/projects/billing/res/Strings.res", "16 Bit", "2 KB", true, true},
        {"/home/anna/projects/billing/src/Reports.pas", "None", "", true, false},
    };
    for (const auto& f : files) {
        auto* name = new QStandardItem(icons::icon(f.exists ? icons::FileStateNormal : icons::FileStateMissing),
                                       QString::fromUtf8(f.name));
        name->setCheckable(true);
        name->setCheckState(f.checked ? Qt::Checked : Qt::Unchecked);
        auto* size = new QStandardItem(QString::fromUtf8(f.size));
        size->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        model->appendRow({name, new QStandardItem(QString::fromUtf8(f.prefix)), size});
    }
    auto* list = new TWqListView(panel);
    list->setObjectName(QStringLiteral("FileList"));
    list->setAccessibleName(QStringLiteral("File List"));
    list->setModel(model);
    list->SetAcceptDroppedFiles(true);
    list->header()->resizeSection(0, 330);
    list->header()->resizeSection(1, 125);
    list->header()->setSectionsClickable(false);

    auto* splitter = new TWqSplitter(TWqAlign::Bottom, panel);
    splitter->setObjectName(QStringLiteral("Splitter1"));
    splitter->setThickness(6);

    auto* lower = new QWidget(panel);
    lower->setFixedHeight(156);
    auto* form = new QFormLayout(lower);
    form->setContentsMargins(10, 10, 20, 10);
    auto* rows = new TWqIntegerEdit(lower);
    rows->setObjectName(QStringLiteral("EditFindReplaceRowCount"));
    rows->SetMinValue(1);
    rows->setValue(100);
    auto* resolution = new TWqIntegerEdit(lower);
    resolution->setObjectName(QStringLiteral("EditProgressResolution"));
    resolution->SetMinValue(1);
    resolution->SetMaxValue(10000);
    resolution->setValue(250);
    auto* errorAction = new TWqComboBox(lower);
    errorAction->setObjectName(QStringLiteral("ComboBoxErrorAction"));
    errorAction->addItems({QStringLiteral("Ask User"), QStringLiteral("Continue Operation"),
                           QStringLiteral("Abort Operation")});
    errorAction->SetItemIndex(0);
    form->addRow(QStringLiteral("Number of Rows in Find/Replace Grid:"), rows);
    form->addRow(QStringLiteral("Progress Resolution:"), resolution);
    form->addRow(QStringLiteral("Operation Error Action:"), errorAction);
    auto* bar = new ButtonBar(36, lower);
    for (const auto& [name, picture, hint] :
         {std::tuple{"BtnPrint", icons::BtnPrint, "Print"}, std::tuple{"BtnSaveToFile", icons::BtnSaveToFile, "Save to File"},
          std::tuple{"BtnCopy", icons::BtnCopyToClipboard, "Copy to Clipboard"},
          std::tuple{"BtnChangeFont", icons::BtnChangeFont, "Change Font"}, std::tuple{"BtnClear", icons::BtnClear, "Clear"},
          std::tuple{"BtnWrapLines", icons::BtnWrapLines, "Wrap Lines"}, std::tuple{"BtnMail", icons::BtnMail, "Mail"}})
        bar->addIconButton(QString::fromLatin1(name), picture, QString::fromLatin1(hint));
    form->addRow(bar);

    column->addWidget(list, 1);
    column->addWidget(splitter);
    column->addWidget(lower);

    auto* tools = new QToolBar(window.get());
    tools->setOrientation(Qt::Vertical);
    tools->setIconSize(QSize(28, 28));
    for (const auto& [picture, caption] :
         {std::pair{icons::ActionAddFiles, "Add Files"}, std::pair{icons::ActionFileList, "File List Operations ..."},
          std::pair{icons::ActionExecute, "Execute Replacements"}, std::pair{icons::ActionPrint, "Print"},
          std::pair{icons::ActionSetFont, "Set Font"}, std::pair{icons::ActionSettings, "Settings Dialog ..."},
          std::pair{icons::ActionInfo, "Information"}, std::pair{icons::ActionExit, "Exit Application"}}) {
        QAction* action = tools->addAction(icons::icon(picture), QString::fromLatin1(caption));
        if (auto* button = qobject_cast<QToolButton*>(tools->widgetForAction(action))) {
            button->setFixedSize(36, 36);
            button->setAccessibleName(action->text());
        }
    }
    outer->addWidget(panel, 1);
    outer->addWidget(tools);
    new TWqSizeGrip(window.get());
    return window;
}

// A run over three form and unit files, seven seconds in, in the middle of the second file: the
// overall bar, its caption and the estimate of the remaining time drawn from the progress state.
std::unique_ptr<QWidget> progressWindow() {
    auto now = std::make_shared<TDateTime>(0.0);
    auto form = std::make_unique<TWqProgressForm>(3, nullptr, nullptr, [now] { return *now; });
    TProgressState& state = form->progress();
    const std::array<std::pair<const char*, std::int64_t>, 3> files = {{
        {"/home/anna/projects/billing/src/forms/CustomerMaintenance.dfm", 48'000'000},
        {"/home/anna/projects/billing/src/forms/InvoiceEditor.dfm", 52'000'000},
        {"/home/anna/projects/billing/src/InvoiceEditor.pas", 61'000'000},
    }};
    state.start();
    // Evenly on: a third of the work every four seconds.
    int current = -1;
    for (int second = 1; second <= 7; ++second) {
        *now = second / 86400.0;
        const double done = second / 4.0;
        const int item = static_cast<int>(done);
        if (item != current) {
            current = item;
            state.setItem(item, std::string("Processing File: ") + files[static_cast<std::size_t>(item)].first);
            state.setItemRange(0, files[static_cast<std::size_t>(item)].second, 0);
        }
        state.setPosition(static_cast<std::int64_t>((done - item) * static_cast<double>(state.itemMaximum())));
        state.timerTick();
    }
    return form;
}

// The report of a run with every look: the heading, plain lines, the files' replacement lines and the
// red line of a file that failed, and the closing totals.
std::unique_ptr<QWidget> reportWindow() {
    auto dialog = std::make_unique<TWqReportDlg>();
    dialog->resize(640, 560);
    TReportDocument& report = dialog->document();
    const QtDateTimeFormatter dates;
    TOperationData run;
    run.StartTime = encodeDateTime(2026, 12, 9, 10, 41, 5);
    run.EndTime = run.StartTime + 7.0 / 86400.0;
    run.FindReplaceList = {{"TCustomerForm", "TClientForm", true, true, 1, 0},
                           {"CustomerForm", "ClientForm", true, true, 2, 0},
                           {"Customer", "Client", false, false, 3, 0}};
    AddOpeningLines(report, run.StartTime, dates);
    const struct {
        const char* name;
        std::array<std::int32_t, 3> counts;
        const char* error;
    } files[] = {
        {"/home/anna/projects/billing/src/Customers.pas", {3, 5, 12}, nullptr},
        {"/home/anna/projects/billing/src/Customers.dfm", {1, 1, 4}, nullptr},
        {"/home/anna/projects/billing/src/Invoices.pas", {0, 2, 9}, nullptr},
        {"/home/anna/projects/billing/src/Reports.dfm", {0, 0, 0},
         "Cannot open file \"/home/anna/projects/billing/src/Reports.dfm\": Permission denied"},
        {"/home/anna/projects/billing/src/Main.pas", {0, 0, 0}, nullptr},
    };
    for (const auto& file : files) {
        AddFileLine(report, file.name);
        if (file.error) {
            AddErrorLine(report, file.error);
            continue;
        }
        ++run.FilesProcessed;
        AddReplacementLines(report, run.FindReplaceList, file.counts, kLookFileDetail, kFileDetailIndent);
        for (std::size_t i = 0; i < file.counts.size(); ++i)
            run.FindReplaceList[i].Count += file.counts[i];
    }
    AddClosingLines(report, run, false, dates);
    return dialog;
}

// Every bundled picture at the sizes the windows use.
std::unique_ptr<QWidget> iconGallery() {
    auto window = std::make_unique<QWidget>();
    window->setWindowTitle(QStringLiteral("Icons"));
    window->setAccessibleName(window->windowTitle());
    window->setAutoFillBackground(true);
    auto* grid = new QGridLayout(window.get());
    int row = 0;
    for (const std::string_view name : icons::kAllNames) {
        const QIcon icon = icons::icon(name);
        int column = 0;
        for (const int size : {16, 24, 32, 48}) {
            auto* picture = new QLabel(window.get());
            picture->setPixmap(icon.pixmap(size, size));
            picture->setFixedSize(52, size + 4);
            picture->setAlignment(Qt::AlignCenter);
            grid->addWidget(picture, row % 10, (row / 10) * 5 + column++);
        }
        auto* label = new QLabel(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())), window.get());
        grid->addWidget(label, row % 10, (row / 10) * 5 + column);
        ++row;
    }
    return window;
}

// A folder for the scene's files that lives as long as the program (one scene per run).
QString sceneFolder() {
    static QTemporaryDir folder;
    return folder.path();
}

std::unique_ptr<QWidget> mainWindow(const QStringList& arguments, int addFolderProgressDelay = TMainWindow::Options{}.AddFolderProgressDelay) {
    TMainWindow::Options options;
    options.AddFolderProgressDelay = addFolderProgressDelay;
    options.StoreFileName = QDir(sceneFolder()).filePath(QStringLiteral("swapwright.swd")).toStdString();
    options.UndoFolder = QDir(sceneFolder()).filePath(QStringLiteral("state/runs")).toStdString();
    for (const QString& argument : arguments)
        options.Arguments.push_back(argument.toStdString());
    return std::make_unique<TMainWindow>(std::move(options));
}

// The shipped example, copied, as `make run` shows it: files and definitions ready for a run.
std::unique_ptr<QWidget> mainWindowWithExample() {
    const QDir source(QStringLiteral(SWAPWRIGHT_EXAMPLES_DIR "/billing"));
    const QDir target(sceneFolder());
    for (const QString& name : source.entryList(QDir::Files))
        QFile::copy(source.filePath(name), target.filePath(name));
    QDir::setCurrent(target.path());
    return mainWindow({QStringLiteral("billing.swd")});
}

// Serves events for a while (the run's yields keep serving them while it goes on).
void serveEvents(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The example with forty larger units, so that the run lasts long enough to be caught: the main
// window, the progress window and the report window during the run.
std::unique_ptr<QWidget> mainWindowForRun() {
    auto window = mainWindowWithExample();
    QFile unit(QStringLiteral(SWAPWRIGHT_EXAMPLES_DIR "/billing/Invoices.pas"));
    QByteArray big = unit.open(QIODevice::ReadOnly) ? unit.readAll() : QByteArray("TInvoiceForm\n");
    const QByteArray filler = "  { Totals of the period: net, tax and gross amounts per account. }\r\n";
    while (big.size() < 2'000'000)
        big += filler;
    for (int i = 1; i <= 40; ++i) {
        QFile file(QDir(sceneFolder()).filePath(QStringLiteral("InvoiceModule%1.pas").arg(i, 2, 10, QLatin1Char('0'))));
        if (file.open(QIODevice::WriteOnly))
            file.write(big);
    }
    return window;
}

// Shows the main window and waits for its start-up work.
void startShown(TMainWindow& window) {
    window.show();
    QElapsedTimer timer;
    timer.start();
    while (!window.started() && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

int shootRun(QWidget& widget, const QString& file) {
    auto& window = static_cast<TMainWindow&>(widget);
    startShown(window);
    QElapsedTimer timer;
    timer.start();
    std::vector<std::string> units;
    for (int i = 1; i <= 40; ++i)
        units.push_back(QDir(sceneFolder()).filePath(QStringLiteral("InvoiceModule%1.pas").arg(i, 2, 10, QLatin1Char('0'))).toStdString());
    window.session().AddFiles(units);
    window.updateActions();
    int status = 1;
    bool shot = false;
    // Caught in the middle of the run: the check runs at the run's yields.
    QTimer catcher;
    catcher.setInterval(5);
    QObject::connect(&catcher, &QTimer::timeout, &window, [&] {
        TWqProgressForm* form = TWqProgressForm::running();
        if (shot || !form || form->progress().currentItem() < 27)
            return;
        shot = true;
        catcher.stop();
        TWqReportDlg::instance().setGeometry(window.x() + 40, window.frameGeometry().bottom() + 12, 680, 420);
        form->move(window.x() + 150, window.y() + 330);
        form->raise();
        serveEvents(300);
        const QPixmap picture = grabVisibleWindows();
        status = !picture.isNull() && picture.save(file, "PNG") ? 0 : 1;
        form->cancel();
    });
    catcher.start();
    window.action("ActionExecuteReplacements")->trigger();
    while (!shot && timer.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    serveEvents(200);
    return status;
}

// Triggers the action and serves events until what it started has returned.
void runAction(TMainWindow& window, const char* name) {
    window.action(name)->trigger();
    QElapsedTimer timer;
    timer.start();
    while (window.runPending() && timer.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

int savePicture(QWidget& shown, const QString& file) {
    serveEvents(400);
    QPixmap picture;
    if (QScreen* screen = shown.screen(); screen && QGuiApplication::platformName() == QLatin1String("xcb"))
        picture = screen->grabWindow(shown.winId());
    if (picture.isNull())
        picture = shown.grab();
    return !picture.isNull() && picture.save(file, "PNG") ? 0 : 1;
}

// The preview of the example's run, the unit with the form's class selected.
int shootPreview(QWidget& widget, const QString& file) {
    auto& window = static_cast<TMainWindow&>(widget);
    startShown(window);
    runAction(window, "ActionPreviewReplacements");
    TPreviewWindow* preview = window.previewWindow();
    if (!preview)
        return 1;
    TWqReportDlg::instance().hide();
    for (int row = 0; row < static_cast<int>(preview->files().size()); ++row)
        if (QString::fromStdString(preview->files()[static_cast<std::size_t>(row)].FileName).endsWith(QStringLiteral("Invoices.pas")))
            preview->selectFile(row);
    preview->resize(900, 620);
    return savePicture(*preview, file);
}

// The question of Undo Last Run after a run of the example.
int shootUndoQuestion(QWidget& widget, const QString& file) {
    auto& window = static_cast<TMainWindow&>(widget);
    startShown(window);
    runAction(window, "ActionExecuteReplacements");
    TWqReportDlg::instance().hide();
    int status = 1;
    QTimer catcher;
    catcher.setInterval(20);
    QObject::connect(&catcher, &QTimer::timeout, &window, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        catcher.stop();
        status = savePicture(*box, file);
        box->button(QMessageBox::No)->click();
    });
    catcher.start();
    runAction(window, "ActionUndoLastRun");
    serveEvents(200);
    return status;
}

// The add-folder dialog with a project's masks: units and forms, tests and generated code left out.
std::unique_ptr<QWidget> addFolderDialog() {
    TFolderWalkOptions options;
    options.IncludeMasks = "*.pas;*.dfm;*.dpr;*.inc";
    options.ExcludeMasks = "Test*;generated";
    return std::make_unique<TAddFolderDialog>(options, "/home/anna/projects/billing/src");
}

// A tree of 40,000 files in 400 folders, a quarter of them units, dropped onto the list: caught
// while its files go into the list.
std::unique_ptr<QWidget> mainWindowForFolder() {
    const QDir root(QDir(sceneFolder()).filePath(QStringLiteral("billing-src")));
    for (int folder = 0; folder < 400; ++folder) {
        const QString path = root.filePath(QStringLiteral("module%1").arg(folder, 3, 10, QLatin1Char('0')));
        QDir().mkpath(path);
        for (int i = 0; i < 100; ++i) {
            static const char* const extensions[] = {"pas", "dcu", "res", "txt"};
            QFile file(QDir(path).filePath(QStringLiteral("Unit%1.%2").arg(i / 4).arg(QLatin1String(extensions[i % 4]))));
            if (file.open(QIODevice::WriteOnly))
                file.write("unit x;\n");
        }
    }
    return mainWindow({}, 0); // the progress at once: the picture does not wait for the delay
}

int shootFolder(QWidget& widget, const QString& file) {
    auto& window = static_cast<TMainWindow&>(widget);
    startShown(window);
    QElapsedTimer timer;
    timer.start();
    int status = 1;
    bool shot = false;
    QTimer catcher;
    catcher.setInterval(5);
    QObject::connect(&catcher, &QTimer::timeout, &window, [&] {
        auto* progress = qobject_cast<TAddFolderProgressDialog*>(QApplication::activeModalWidget());
        if (shot || !progress || !progress->isVisible() || progress->entriesAdded() < 2500)
            return;
        shot = true;
        catcher.stop();
        progress->move(window.x() + 60, window.y() + 150);
        serveEvents(300);
        const QPixmap picture = grabVisibleWindows();
        status = !picture.isNull() && picture.save(file, "PNG") ? 0 : 1;
        progress->cancel();
    });
    catcher.start();
    // Dropped, as a user would: the drop goes the window's way into the list, with its progress.
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QDir(sceneFolder()).filePath(QStringLiteral("billing-src")))});
    QWidget* target = window.fileList()->viewport();
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &drop);
    while (!shot && timer.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    serveEvents(200);
    return status;
}

std::unique_ptr<QWidget> settingsDialog() {
    static std::unique_ptr<TWqPersistentData> store = [] {
        auto s = CreateAppPersistentData(QDir(sceneFolder()).filePath(QStringLiteral("settings.swd")).toStdString());
        s->WriteValue(sidProgressResolution, std::int32_t{250});
        s->WriteValue(sidOperationErrorAction, std::int32_t{0});
        WriteFamilyItems(*s, {{"*.pas;*.dfm", true}, {"*.dpr;*.res", true}, {"*.cpp;*.h;*.hpp", false}});
        return s;
    }();
    return std::make_unique<TSettingsWindow>(*store, nullptr, nullptr);
}

} // namespace

QPixmap grabVisibleWindows() {
    QRect area;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowHandle())
            area = area.united(w->frameGeometry());
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || area.isEmpty())
        return {};
    return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
}

const std::vector<Scene>& scenes() {
    static const std::vector<Scene> all = {
        {"exception-dialog", "the exception dialog for a failure of the library, with object and routine",
         [] {
             return exceptionDialog(std::make_exception_ptr(EWqException(
                 "This Storage Type has not been implemented yet.", "SetStorageType", "gPersistentData",
                 "TWqPersistentData")));
         }},
        {"exception-dialog-convert", "the exception dialog for a conversion error (no object, no routine)",
         [] { return exceptionDialog(std::make_exception_ptr(EConvertError("'5x' is not a valid integer value"))); }},
        {"message-box-confirm", "a question with the Confirm severity",
         []() -> std::unique_ptr<QWidget> {
             return MessageBox::create(nullptr, MessageSeverity::Confirm,
                                       QStringLiteral("When using string length prefixes the search string must match "
                                                      "the beginning of each occurence in the File.\r\n\r\nShall this "
                                                      "Message be shown again?"),
                                       QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
         }},
        {"support-controls", "file list, splitter, integer edits, combo box, button bar, tool bar pictures",
         supportControls},
        {"progress-window", "the progress window during a run over three files, in the second one", progressWindow},
        {"report-window", "the report of a run with five files, one of them failing", reportWindow},
        {"icons", "every bundled picture at 16, 24, 32 and 48 pixels", iconGallery},
        {"main-window-empty", "the main window at its first start: empty list, empty grid",
         [] { return mainWindow({}); }},
        {"main-window", "the main window on the shipped example: files and definitions ready for a run",
         mainWindowWithExample},
        {"main-window-run", "the main window during a run, with the progress window and the report window",
         mainWindowForRun, shootRun},
        {"settings-dialog", "Application Settings with three extension families", settingsDialog},
        {"preview-window", "the preview of the example's run, a unit's changes marked", mainWindowWithExample,
         shootPreview},
        {"undo-question", "Undo Last Run asking before it puts the files of the example's run back",
         mainWindowWithExample, shootUndoQuestion},
        {"add-folder-dialog", "Add Folder with a project's include and exclude masks", addFolderDialog},
        {"add-folder-progress", "the main window while a tree of 40,000 files goes into the list",
         mainWindowForFolder, shootFolder},
    };
    return all;
}

} // namespace swapwright::gui::shots
