#include "gui/main_window.h"

#include "core/base/files.h"
#include "core/engine/preview.h"
#include "core/engine/replacement_run.h"
#include "gui/about_window.h"
#include "gui/add_folder_dialog.h"
#include "gui/controls/eliding_header.h"
#include "gui/controls/wq_list_view.h"
#include "gui/controls/wq_splitter.h"
#include "gui/desktop_registration.h"
#include "gui/exception_handler.h"
#include "gui/file_dialogs.h"
#include "gui/find_replace_grid.h"
#include "gui/font_convert.h"
#include "gui/heap_bytes.h"
#include "gui/icons.h"
#include "gui/message_box.h"
#include "gui/models/file_list_item_model.h"
#include "gui/models/grid_item_model.h"
#include "gui/preview_window.h"
#include "gui/progress_form.h"
#include "gui/report_dialog.h"
#include "gui/settings_window.h"
#include "gui/text_convert.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace swapwright::gui {

// The cooperative yield of long work (adding files, a run): serves pending events at most every
// few milliseconds, so that the work is not slowed by repainting after every small step.
class TMainWindow::GuiYield final : public IYield {
public:
    static constexpr int kInterval = 15;
    GuiYield() { m_last.start(); }
    void processPendingMessages() override {
        if (m_last.elapsed() < kInterval)
            return;
        processEventsGuarded();
        m_last.restart();
    }

private:
    QElapsedTimer m_last;
};

class TMainWindow::WaitCursor final : public IWaitCursor {
public:
    void show() override { QApplication::setOverrideCursor(Qt::WaitCursor); }
    void restore() override { QApplication::restoreOverrideCursor(); }
};

namespace {

QString qs(std::string_view text) { return toDisplayText(text); }

// The actions' categories.
constexpr const char* kMain = "Main";
constexpr const char* kFileListCategory = "FileList";
constexpr const char* kGridCategory = "FindReplaceGrid";
constexpr const char* kSettings = "Settings";
constexpr const char* kInfo = "Info";

} // namespace

TMainWindow::TMainWindow(Options options, QWidget* parent)
    : QMainWindow(parent), m_options(std::move(options)),
      m_session(std::make_unique<TSession>(m_options.StoreFileName, TSessionOptions{.UndoFolder = m_options.UndoFolder})),
      m_question(std::make_unique<MessageBoxQuestion>(this)), m_yield(std::make_unique<GuiYield>()),
      m_waitCursor(std::make_unique<WaitCursor>()) {
    setObjectName(QStringLiteral("MainWindow"));
    m_session->setQuestion(m_question.get());
    m_session->setYield(m_yield.get());
    m_session->setWaitCursor(m_waitCursor.get());

    buildActions();
    buildLayout();
    buildMenus();
    buildToolBar();
    resize(kDesignedWidth, kDesignedHeight);
    m_session->setView(this);

    m_statusTimer = new QTimer(this);
    m_statusTimer->setInterval(kStatusInterval);
    connect(m_statusTimer, &QTimer::timeout, this, guardedSlot([this] { updateStatusBar(); }));

    updateCaption();
    updateStatusBar();
    updateActions();
    // The first idle moment: a zero timer fires once the events waiting now have been served.
    QTimer::singleShot(0, this, [this] { startUp(); });
}

TMainWindow::~TMainWindow() {
    // The preview and the report window keep their placement in the store: they go first.
    delete m_preview;
    TWqReportDlg::destroyInstance();
    guardedCall([this] { m_session->ShutDown(); });
    m_session->setView(nullptr);
    // The views and their models go before the session they show.
    m_fileList->setModel(nullptr);
    m_grid->setGridModel(nullptr);
    delete m_fileListModel;
    delete m_gridModel;
}

QAction* TMainWindow::addAction(std::string_view name, const char* category, std::string_view caption,
                                std::string_view hint, std::string_view iconName) {
    auto* action = new QAction(qs(caption), this);
    action->setObjectName(qs(name));
    action->setProperty("category", QLatin1String(category));
    if (!hint.empty()) {
        action->setToolTip(qs(hint));
        action->setStatusTip(qs(hint));
    }
    if (!iconName.empty())
        action->setIcon(icons::icon(iconName));
    m_actions.push_back(action);
    m_actionsByName.emplace(std::string(name), action);
    return action;
}

TPreviewWindow* TMainWindow::previewWindow() const noexcept { return m_preview; }

QAction* TMainWindow::action(std::string_view name) const {
    const auto it = m_actionsByName.find(name);
    return it == m_actionsByName.end() ? nullptr : it->second;
}

void TMainWindow::buildActions() {
    const auto on = [this](QAction* action, auto handler) {
        connect(action, &QAction::triggered, this, guardedSlot([this, handler] { (this->*handler)(); }));
    };
    on(addAction("ActionExecuteReplacements", kMain, "Execute Replacements", "Start the replacing Operation",
                 icons::ActionExecute),
       &TMainWindow::ActionExecuteReplacementsExecute);
    on(addAction("ActionPreviewReplacements", kMain, "Preview Replacements",
                 "Show every Change of the replacing Operation before anything is written", icons::ActionPreview),
       &TMainWindow::ActionPreviewReplacementsExecute);
    on(addAction("ActionUndoLastRun", kMain, "Undo Last Run", "Put back the Files of the last replacing Operation",
                 icons::ActionUndo),
       &TMainWindow::ActionUndoLastRunExecute);
    on(addAction("ActionAddFiles", kMain, "Add Files", "Add Files to be processed ...", icons::ActionAddFiles),
       &TMainWindow::ActionAddFilesExecute);
    on(addAction("ActionAddFolder", kMain, "Add Folder ...", "Add the Files of a Folder and its Subfolders ...",
                 icons::ActionAddFolder),
       &TMainWindow::ActionAddFolderExecute);
    on(addAction("ActionPrint", kMain, "Print", "Print the Contents of this Window ...", icons::ActionPrint),
       &TMainWindow::ActionPrintExecute);
    on(addAction("ActionSetFont", kMain, "Set Font", "Change the Font of the Lists ...", icons::ActionSetFont),
       &TMainWindow::ActionSetFontExecute);
    on(addAction("ActionExitApplication", kMain, "Exit Application", "Exit this Application", icons::ActionExit),
       &TMainWindow::ActionExitApplicationExecute);
    on(addAction("ActionSettingsDlg", kSettings, "Settings Dialog ...", "Application Settings ...", icons::ActionSettings),
       &TMainWindow::ActionSettingsDlgExecute);
    connect(addAction("ActionSaveSettings", kSettings, "Save current Settings now", "Save current Settings now"),
            &QAction::triggered, this, guardedSlot([this] { m_grid->commitEdit(); m_session->SaveAllSettings(); }));
    on(addAction("ActionSaveSettingsToFile", kSettings, "Save current Settings to File ...",
                 "Save current Settings to File"),
       &TMainWindow::ActionSaveSettingsToFileExecute);
    on(addAction("ActionLoadSettingsFromFile", kSettings, "Load Settings from File ...", "Load Settings from File"),
       &TMainWindow::ActionLoadSettingsFromFileExecute);
    on(addAction("ActionInfoAbout", kInfo, "About this Application ...", "Information about this Application",
                 icons::ActionInfo),
       &TMainWindow::ActionInfoAboutExecute);
    on(addAction("ActionInfoWeb", kInfo, "Wq-Software Web Site ...", "Go to Wq-Software Web Site"),
       &TMainWindow::ActionInfoWebExecute);

    for (const TFileListCommandInfo& info : FileListCommands()) {
        QAction* action = addAction(info.ActionName, kFileListCategory, info.Caption, info.Hint);
        const TFileListCommand command = info.Command;
        connect(action, &QAction::triggered, this, guardedSlot([this, command] {
                    m_session->fileList().execute(command, selectedFileRows());
                    if (command == TFileListCommand::RemoveSelectedFiles || command == TFileListCommand::RemoveAllFiles)
                        updateActions();
                }));
    }
    for (const TGridCommandInfo& info : GridCommands()) {
        QAction* action = addAction(info.ActionName, kGridCategory, info.Caption, info.Hint);
        const TGridCommand command = info.Command;
        connect(action, &QAction::triggered, this, guardedSlot([this, command] {
                    m_grid->commitEdit();
                    m_session->grid().execute(command);
                    if (command == TGridCommand::UseAllReplacements || command == TGridCommand::UseNoReplacements)
                        updateActions();
                }));
    }
}

void TMainWindow::buildMenus() {
    const auto a = [this](std::string_view name) { return action(name); };
    m_fileListMenu = new QMenu(this);
    m_fileListMenu->setObjectName(QStringLiteral("FileListMenu"));
    m_fileListMenu->setTitle(QStringLiteral("File List Operations"));
    m_fileListMenu->addAction(a("ActionAddFolder"));
    m_fileListMenu->addSeparator();
    m_fileListMenu->addAction(a("ActionRefreshFileStates"));
    m_fileListMenu->addSeparator();
    for (const char* name : {"ActionMarkSelectedFilesAsChecked", "ActionMarkSelectedFilesAsUnchecked",
                             "ActionMarkAllFilesAsChecked", "ActionMarkAllFilesAsUnchecked"})
        m_fileListMenu->addAction(a(name));
    m_fileListMenu->addSeparator();
    m_fileListMenu->addAction(a("ActionRemoveAllFiles"));
    m_fileListMenu->addAction(a("ActionRemoveSelectedFiles"));
    m_fileListMenu->addSeparator();
    m_fileListMenu->addAction(a("ActionPreviewReplacements"));
    m_fileListMenu->addAction(a("ActionUndoLastRun"));
    m_fileListMenu->addSeparator();
    for (const char* name : {"ActionAllFilesStrLenPrefixNone", "ActionAllFilesStrLenPrefix8Bit",
                             "ActionAllFilesStrLenPrefix16Bit", "ActionAllFilesStrLenPrefix32Bit"})
        m_fileListMenu->addAction(a(name));
    m_fileListMenu->addSeparator();
    for (const char* name : {"ActionSelectedFilesStrLenPrefixNone", "ActionSelectedFilesStrLenPrefix8Bit",
                             "ActionSelectedFilesStrLenPrefix16Bit", "ActionSelectedFilesStrLenPrefix32Bit"})
        m_fileListMenu->addAction(a(name));
    connect(m_fileListMenu, &QMenu::aboutToShow, this, [this] { updateActions(); });

    m_gridMenu = new QMenu(this);
    m_gridMenu->setObjectName(QStringLiteral("FindReplaceGridMenu"));
    m_gridMenu->setTitle(QStringLiteral("Find/Replace Grid"));
    for (const TGridCommandInfo& info : GridCommands()) {
        if (info.SeparatorBefore)
            m_gridMenu->addSeparator();
        m_gridMenu->addAction(a(info.ActionName));
    }

    m_settingsMenu = new QMenu(this);
    m_settingsMenu->setObjectName(QStringLiteral("SettingsMenu"));
    m_settingsMenu->setTitle(QStringLiteral("Settings"));
    m_settingsMenu->addAction(a("ActionSettingsDlg"));
    m_settingsMenu->addSeparator();
    m_settingsMenu->addAction(a("ActionSaveSettings"));
    m_settingsMenu->addSeparator();
    m_settingsMenu->addAction(a("ActionSaveSettingsToFile"));
    m_settingsMenu->addAction(a("ActionLoadSettingsFromFile"));

    m_infoMenu = new QMenu(this);
    m_infoMenu->setObjectName(QStringLiteral("InfoMenu"));
    m_infoMenu->setTitle(QStringLiteral("Information"));
    m_infoMenu->addAction(a("ActionInfoAbout"));
    m_infoMenu->addAction(a("ActionInfoWeb"));

    m_fileList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_fileList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_fileListMenu->popup(m_fileList->viewport()->mapToGlobal(pos)); });
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_gridMenu->popup(m_grid->viewport()->mapToGlobal(pos)); });
}

void TMainWindow::buildLayout() {
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel"));
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    m_fileListModel = new TFileListItemModel(m_session->fileList(), this);
    m_fileList = new TWqListView(panel);
    m_fileList->setObjectName(QStringLiteral("FileList"));
    m_fileList->setAccessibleName(QStringLiteral("File List"));
    m_fileList->setHeader(new TElidingHeaderView(Qt::Horizontal, m_fileList));
    m_fileList->setModel(m_fileListModel);
    m_fileList->setIconSize(QSize(16, 16));
    m_fileList->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    m_fileList->header()->setSectionsClickable(false);
    m_fileList->header()->setStretchLastSection(false);
    m_fileList->header()->setMinimumSectionSize(5);
    for (int i = 0; i < static_cast<int>(kFileListDefaultColumnWidths.size()); ++i)
        m_fileList->setColumnWidth(i, kFileListDefaultColumnWidths[static_cast<std::size_t>(i)]);
    m_fileList->SetAcceptDroppedFiles(true);
    m_fileList->OnFilesDropped = [this](TWqListView&, const std::vector<std::string>& names, bool& doDefault) {
        doDefault = false;
        FileListFilesDropped(names);
    };
    connect(m_fileList->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { updateActions(); });

    m_splitter = new TWqSplitter(TWqAlign::Bottom, panel);
    m_splitter->setObjectName(QStringLiteral("Splitter1"));
    m_splitter->setThickness(kSplitterThickness);

    m_gridModel = new TFindReplaceGridItemModel(m_session->grid(), this);
    m_grid = new TWqFindReplaceGrid(panel);
    m_grid->setObjectName(QStringLiteral("FindReplaceGrid"));
    m_grid->setAccessibleName(QStringLiteral("Find/Replace Grid"));
    m_grid->setGridModel(m_gridModel);
    m_grid->setFixedHeight(kDesignedGridHeight);
    connect(m_grid, &TWqFindReplaceGrid::Clicked, this, [this] { updateActions(); });

    column->addWidget(m_fileList, 1);
    column->addWidget(m_splitter);
    column->addWidget(m_grid);
    setCentralWidget(panel);

    m_statusText = new QLabel(this);
    m_statusText->setObjectName(QStringLiteral("StatusText"));
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->setFixedHeight(kStatusBarHeight);
    statusBar()->addWidget(m_statusText, 1);
    m_folderNote = new QLabel(this);
    m_folderNote->setObjectName(QStringLiteral("StatusFolderNote"));
    m_folderNote->setAccessibleName(QStringLiteral("Unreadable Folders"));
    statusBar()->addWidget(m_folderNote);
    m_grid->setFocus(Qt::OtherFocusReason);
    setFocusProxy(m_grid);
}

QToolButton* TMainWindow::addToolButton(const char* objectName, QAction* action, std::string_view iconName) {
    auto* button = new QToolButton(this);
    button->setObjectName(QLatin1String(objectName));
    button->setDefaultAction(action);
    if (!iconName.empty())
        button->setIcon(icons::icon(iconName));
    button->setAccessibleName(action->text());
    return button;
}

QToolButton* TMainWindow::addMenuButton(const char* objectName, QMenu* menu, const QString& caption,
                                        const QString& hint, std::string_view iconName) {
    auto* button = new QToolButton(this);
    button->setObjectName(QLatin1String(objectName));
    button->setIcon(icons::icon(iconName));
    button->setText(caption);
    button->setToolTip(hint);
    button->setStatusTip(hint);
    button->setAccessibleName(caption);
    // The menu opens at the button's top right corner.
    connect(button, &QToolButton::clicked, this,
            [button, menu] { menu->popup(button->mapToGlobal(QPoint(button->width(), 0))); });
    return button;
}

void TMainWindow::buildToolBar() {
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBar"));
    bar->setWindowTitle(QStringLiteral("Tool Bar"));
    bar->setOrientation(Qt::Vertical);
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    bar->setIconSize(QSize(28, 28));
    bar->setContentsMargins(0, 0, 0, 0);
    const std::vector<QToolButton*> buttons = {
        addToolButton("BtnOpen", action("ActionAddFiles"), icons::ActionAddFiles),
        addToolButton("BtnAddFolder", action("ActionAddFolder"), icons::ActionAddFolder),
        addMenuButton("BtnFileListOperations", m_fileListMenu, QStringLiteral("File List Operations"),
                      QStringLiteral("File List Operations ..."), icons::ActionFileList),
        addToolButton("BtnExecute", action("ActionExecuteReplacements"), icons::ActionExecute),
        addToolButton("BtnPreview", action("ActionPreviewReplacements"), icons::ActionPreview),
        addToolButton("BtnUndoLastRun", action("ActionUndoLastRun"), icons::ActionUndo),
        addToolButton("BtnPrintForm", action("ActionPrint"), icons::ActionPrint),
        addToolButton("BtnSetFont", action("ActionSetFont"), icons::ActionSetFont),
        addMenuButton("BtnSettings", m_settingsMenu, QStringLiteral("Settings Dialog ..."),
                      QStringLiteral("Application Settings ..."), icons::ActionSettings),
        addMenuButton("BtnInfo", m_infoMenu, QStringLiteral("Information"), QStringLiteral("Information ..."),
                      icons::ActionInfo),
        addToolButton("ToolButton1", action("ActionExitApplication"), icons::ActionExit),
    };
    for (QToolButton* button : buttons) {
        button->setAutoRaise(true);
        button->setFixedSize(kToolButtonSize, kToolButtonSize);
        button->setIconSize(QSize(28, 28));
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        bar->addWidget(button);
    }
    addToolBar(Qt::RightToolBarArea, bar);
}

std::vector<int> TMainWindow::selectedFileRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : m_fileList->selectionModel()->selectedRows())
        rows.push_back(index.row());
    return rows;
}

void TMainWindow::startUp() {
    if (m_started || m_startingUp)
        return;
    m_startingUp = true;
    if (!m_options.ProgramPath.empty() && !m_options.DataHome.empty()) {
        QFile icon(QStringLiteral(":/icons/APPICON.svg"));
        const QByteArray svg = icon.open(QIODevice::ReadOnly) ? icon.readAll() : QByteArray();
        RegisterDefinitionFileType(m_options.ProgramPath, m_options.DataHome,
                                   std::string_view(svg.constData(), static_cast<std::size_t>(svg.size())));
    }
    guardedCall([this] { addToList([this] { return m_session->StartUp(m_options.Arguments); }); });
    refreshUndoState();
    m_statusTimer->start();
    updateCaption();
    updateStatusBar();
    m_startingUp = false;
    m_started = true;
}

// --- ISessionView ---

void TMainWindow::storeWindowRecord(TWindowRecord& record) {
    m_grid->commitEdit();
    const QPoint position = pos();
    record.MainWindow = TWqRect{position.x(), position.y(), width(), height()};
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen)
        record.Screen = TWqScreenSize{screen->geometry().width(), screen->geometry().height()};
    record.GridHeight = m_grid->height();
    for (int i = 0; i < static_cast<int>(record.FileListColumnWidths.size()); ++i)
        record.FileListColumnWidths[static_cast<std::size_t>(i)] = m_fileList->columnWidth(i);
    const std::vector<int> widths = m_grid->columnWidths();
    for (std::size_t i = 0; i < record.GridColumnWidths.size() && i < widths.size(); ++i)
        record.GridColumnWidths[i] = widths[i];
    record.ListFont = toWqFont(m_fileList->font(), m_listFont);
}

void TMainWindow::applyWindowRecord(const TWindowRecord& record) {
    if (record.MainWindow.Width > 0 && record.MainWindow.Height > 0)
        resize(record.MainWindow.Width, record.MainWindow.Height);
    if (!record.MainWindowPositionBySystem && record.MainWindow.Left != -1 && record.MainWindow.Top != -1)
        move(record.MainWindow.Left, record.MainWindow.Top);
    if (record.GridHeight != -1 && record.GridHeight > 0) {
        m_grid->setFixedHeight(std::max(TWqSplitter::kMinSize, record.GridHeight));
        m_splitter->updateSizeRatio();
    }
    for (int i = 0; i < static_cast<int>(record.FileListColumnWidths.size()); ++i)
        m_fileList->setColumnWidth(i, std::max(0, record.FileListColumnWidths[static_cast<std::size_t>(i)]));
    m_grid->setColumnWidths(std::vector<int>(record.GridColumnWidths.begin(), record.GridColumnWidths.end()));
    if (record.ListFontLoaded) {
        m_listFont = record.ListFont;
        setListFont(toQFont(record.ListFont));
    }
}

void TMainWindow::storeFileChanged() { updateCaption(); }

void TMainWindow::updateActions() {
    const bool hasEntries = !m_session->fileList().empty();
    const std::size_t selected =
        m_fileList && m_fileList->selectionModel() ? static_cast<std::size_t>(m_fileList->selectionModel()->selectedRows().size()) : 0;
    for (const TFileListCommandInfo& info : FileListCommands())
        if (QAction* a = action(info.ActionName))
            a->setEnabled(info.NeedsSelection ? selected > 0 : hasEntries);
    for (const char* name : {"ActionExecuteReplacements", "ActionPreviewReplacements"})
        if (QAction* run = action(name))
            run->setEnabled(m_session->CanExecuteReplacements() && !runPending() && !m_adding);
    if (QAction* undo = action("ActionUndoLastRun"))
        undo->setEnabled(m_undoAvailable && !runPending() && !m_adding);
    // While adding, nothing else changes the list or the state it is added with.
    for (const char* name : {"ActionAddFiles", "ActionAddFolder", "ActionLoadSettingsFromFile", "ActionSettingsDlg"})
        if (QAction* a = action(name))
            a->setEnabled(!m_adding);
    if (m_adding)
        for (const TFileListCommandInfo& info : FileListCommands())
            if (QAction* a = action(info.ActionName))
                a->setEnabled(false);
}

void TMainWindow::updateCaption() {
    setWindowTitle(toDisplayText(m_session->Caption()));
    setAccessibleName(windowTitle());
}

void TMainWindow::updateStatusBar() {
    m_statusText->setText(QStringLiteral("Allocated Memory: %1 Bytes    Files: %2")
                              .arg(heapBytesInUse())
                              .arg(m_session->fileList().entryCount()));
}

void TMainWindow::setListFont(const QFont& font) {
    m_fileList->setFont(font);
    m_grid->setFont(font);
    // Rows stay 20 pixels high unless the font needs more.
    const int rowHeight = std::max(TWqFindReplaceGrid::kRowHeight, QFontMetrics(font).height() + 4);
    m_grid->verticalHeader()->setDefaultSectionSize(rowHeight);
}

void TMainWindow::printWindowImage(QPrinter& printer) {
    const QPixmap image = grab();
    QPainter painter;
    if (!painter.begin(&printer))
        throw std::runtime_error("The printer cannot be used.");
    const QRect page = painter.viewport();
    QSize size = image.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(image.rect());
    painter.drawPixmap(0, 0, image);
    painter.end();
}

QString TMainWindow::userGuidePath() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    QStringList candidates = {programFolder + QStringLiteral("/../share/doc/swapwright/guide.html")};
#ifdef SWAPWRIGHT_SOURCE_GUIDE
    candidates << QStringLiteral(SWAPWRIGHT_SOURCE_GUIDE);
#endif
    for (const QString& candidate : candidates)
        if (QFileInfo(candidate).isFile())
            return QFileInfo(candidate).canonicalFilePath();
    return {};
}

// --- actions ---

void TMainWindow::ActionExecuteReplacementsExecute() { queueRun(&TMainWindow::executeReplacements); }
void TMainWindow::ActionPreviewReplacementsExecute() { queueRun(&TMainWindow::previewReplacements); }
void TMainWindow::ActionUndoLastRunExecute() { queueRun(&TMainWindow::undoLastRun); }

void TMainWindow::queueRun(void (TMainWindow::*work)()) {
    // The run starts from a queued call: triggering returns at once, and a second trigger before
    // the run has returned starts nothing.
    if (runPending())
        return;
    m_grid->commitEdit();
    m_runQueued = true;
    updateActions();
    QMetaObject::invokeMethod(
        this,
        [this, work] {
            if (!m_runQueued)
                return; // the window was closed meanwhile
            m_runQueued = false;
            guardedCall([this, work] { (this->*work)(); });
        },
        Qt::QueuedConnection);
}

void TMainWindow::ActionAddFilesExecute() {
    std::vector<std::string> names = chooseFiles(FileDialogKind::AddFiles, this);
    if (!names.empty())
        addToList([&] { return m_session->AddFiles(std::move(names)); });
}

void TMainWindow::ActionAddFolderExecute() {
    TAddFolderDialog dialog(m_session->folderOptions(), m_lastFolder, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_session->setFolderOptions(dialog.options());
    m_lastFolder = dialog.folder();
    addToList([this] { return m_session->AddFolder(files::absolutePath(m_lastFolder)); });
}

void TMainWindow::addToList(const std::function<TAddFilesResult()>& add) {
    if (m_adding)
        return;
    TAddFolderProgressDialog progress(this, m_options.AddFolderProgressDelay);
    struct Adding {
        TMainWindow& window;
        Adding(TMainWindow& w, TAddFolderProgressDialog& progress) : window(w) {
            window.m_adding = true;
            window.m_addProgress = &progress;
            window.m_session->setFolderProgress(&progress);
            window.m_fileList->SetAcceptDroppedFiles(false);
            window.updateActions();
        }
        ~Adding() {
            window.m_session->setFolderProgress(nullptr);
            window.m_addProgress = nullptr;
            window.m_adding = false;
            window.m_fileList->SetAcceptDroppedFiles(true);
            window.updateActions();
            window.updateStatusBar();
            if (window.m_closeAfterAdd)
                QMetaObject::invokeMethod(&window, &QWidget::close, Qt::QueuedConnection);
        }
    } adding(*this, progress);
    const TAddFilesResult result = add();
    m_folderNote->setText(result.UnreadableFolders > 0
                              ? QStringLiteral("%1 unreadable folders skipped").arg(result.UnreadableFolders)
                              : QString());
}

void TMainWindow::ActionPrintExecute() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        printWindowImage(printer);
}

void TMainWindow::ActionSetFontExecute() {
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, m_fileList->font(), this);
    if (ok) {
        m_listFont = toWqFont(font, m_listFont);
        setListFont(font);
    }
}

void TMainWindow::ActionExitApplicationExecute() {
    if (runPending())
        cancelRun();
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void TMainWindow::ActionSettingsDlgExecute() {
    m_grid->commitEdit();
    TSettingsWindow dialog(m_session->store(), &m_session->grid(), m_question.get(), this);
    dialog.exec();
    updateActions();
}

void TMainWindow::ActionSaveSettingsToFileExecute() {
    const std::vector<std::string> names =
        chooseFiles(FileDialogKind::SaveDefinitions, this, m_session->store().StorageDescription());
    if (!names.empty())
        m_session->SaveDefinitionsToFile(files::absolutePath(names.front()));
}

void TMainWindow::ActionLoadSettingsFromFileExecute() {
    const std::vector<std::string> names = chooseFiles(FileDialogKind::LoadDefinitions, this);
    if (!names.empty()) {
        m_grid->commitEdit();
        m_session->LoadDefinitionsFromFile(files::absolutePath(names.front()));
    }
}

void TMainWindow::ActionInfoAboutExecute() {
    if (!m_about)
        m_about = new TAboutWindow(this);
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void TMainWindow::ActionInfoWebExecute() {
    const QString guide = userGuidePath();
    if (guide.isEmpty()) {
        MessageBox::show(this, MessageSeverity::Error,
                         QStringLiteral("The user guide (guide.html) is not installed beside this program."));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(guide)))
        MessageBox::show(this, MessageSeverity::Error,
                         QStringLiteral("No web browser could be started for %1.").arg(QDir::toNativeSeparators(guide)));
}

void TMainWindow::FileListFilesDropped(const std::vector<std::string>& fileNames) {
    // Added after the drop has been answered, so that the desktop is not kept waiting.
    // Folders among the names are walked with the remembered options, as Add Folder walks them.
    QMetaObject::invokeMethod(
        this,
        [this, names = fileNames]() mutable {
            if (m_adding) // dropped just before another add started: once that one is done
                QTimer::singleShot(100, this, [this, names] { FileListFilesDropped(names); });
            else
                guardedCall([&] { addToList([&] { return m_session->AddFiles(std::move(names)); }); });
        },
        Qt::QueuedConnection);
}

// --- the run ---

void TMainWindow::runScoped(const std::function<void(bool& started)>& work) {
    if (m_running)
        return;
    struct Running {
        TMainWindow& window;
        explicit Running(TMainWindow& w) : window(w) { window.m_running = true; }
        ~Running() {
            window.m_running = false;
            window.updateActions();
        }
    } running(*this);
    updateActions();
    bool started = false;
    struct Finished {
        TMainWindow& window;
        const bool& started;
        ~Finished() {
            if (!started)
                return;
            window.refreshUndoState();
            emit window.runFinished();
            if (window.m_closeAfterRun)
                QMetaObject::invokeMethod(&window, &QWidget::close, Qt::QueuedConnection);
        }
    } finished{*this, started};
    work(started);
}

void TMainWindow::executeReplacements() {
    runScoped([this](bool& started) {
        std::unique_ptr<TOperationData> operation = m_session->PrepareOperation();
        if (!TSession::HasWork(*operation))
            return;
        updateStatusBar();
        started = true;
        runOperation(*operation);
    });
}

void TMainWindow::previewReplacements() {
    runScoped([this](bool& started) {
        std::unique_ptr<TOperationData> operation = m_session->PrepareOperation();
        if (!TSession::HasWork(*operation))
            return;
        started = true;
        if (m_preview)
            m_preview->close();
        // The dry run's report goes to the report window, the changes to the preview window.
        struct Previews final : IFilePreviewSink {
            std::vector<TFilePreview> files;
            void filePreviewed(TFilePreview&& preview) override { files.push_back(std::move(preview)); }
        } previews;
        TWqReportDlg& report = TWqReportDlg::instance(&m_session->store());
        RunWithProgress(
            static_cast<int>(operation->FilesToProcess.size()), *operation, &m_session->store(),
            [this, &report, &previews](TWqProgressForm& form, TOperationData& run) {
                TRunContext context = m_session->RunContext(report.document(), form.dates());
                RunPreview(&form.progress(), run, context, previews, {.ContextLines = 2});
            },
            this);
        auto* preview = new TPreviewWindow(std::move(previews.files), &m_session->store(), this);
        preview->setAttribute(Qt::WA_DeleteOnClose);
        // Nothing the preview shows may change while it is open.
        preview->setWindowModality(Qt::WindowModal);
        connect(preview, &TPreviewWindow::executeRequested, this,
                guardedSlot([this] { ActionExecuteReplacementsExecute(); }));
        m_preview = preview;
        preview->show();
        preview->raise();
        preview->activateWindow();
    });
}

namespace {

// The progress window's state as the undo's progress: each step also serves the window's events, so
// that the cancel button works and the window draws.
class YieldingProgress final : public IProgressSink {
public:
    YieldingProgress(IProgressSink& progress, IYield& yield) : m_progress(progress), m_yield(yield) {}
    void setItem(int index, std::string_view text) override {
        m_progress.setItem(index, text);
        m_yield.processPendingMessages();
    }
    void setItemRange(std::int64_t minimum, std::int64_t maximum, std::int64_t position) override {
        m_progress.setItemRange(minimum, maximum, position);
    }
    void setPosition(std::int64_t position) override { m_progress.setPosition(position); }
    void setResolution(int resolution) override { m_progress.setResolution(resolution); }
    bool canceled() const override { return m_progress.canceled(); }

private:
    IProgressSink& m_progress;
    IYield& m_yield;
};

} // namespace

void TMainWindow::undoLastRun() {
    runScoped([this](bool& started) {
        const TUndoHistory history = m_session->undoHistory();
        const std::optional<TUndoRun> run = history.lastNotUndone();
        if (!run) {
            refreshUndoState();
            MessageBox::show(this, MessageSeverity::Information, QStringLiteral("Nothing to undo"));
            return;
        }
        const std::string question =
            "Undo the last Run, started " + run->StartText + ", and put back its " + std::to_string(run->FileCount) +
            (run->FileCount == 1 ? " File?" : " Files?") + "\r\n\r\nA File changed since the Run is left as it is.";
        if (!m_question->askYesNo(MessageSeverity::Confirm, question))
            return;
        started = true;
        TWqReportDlg& report = TWqReportDlg::instance(&m_session->store());
        TUndoResult result;
        RunWithProgress(
            run->FileCount, &m_session->store(),
            [&](TWqProgressForm& form) {
                YieldingProgress progress(form.progress(), form.yield());
                result = history.undo(run->Name, report.document(), form.dates(), &progress);
            },
            this);
        if (result.NothingToUndo) // undone meanwhile by another program
            MessageBox::show(this, MessageSeverity::Information, QStringLiteral("Nothing to undo"));
    });
}

void TMainWindow::refreshUndoState() {
    const TUndoHistory history = m_session->undoHistory();
    m_undoAvailable = history.lastNotUndone().has_value();
    updateActions();
}

void TMainWindow::runOperation(TOperationData& operation) {
    // The report window is made on first use and kept; the run clears and shows it.
    TWqReportDlg& report = TWqReportDlg::instance(&m_session->store());
    RunWithProgress(
        static_cast<int>(operation.FilesToProcess.size()), operation, &m_session->store(),
        [this, &report](TWqProgressForm& form, TOperationData& run) {
            // The session's yield serves the events at most every few milliseconds.
            TRunContext context = m_session->RunContext(report.document(), form.dates());
            RunOperation(&form.progress(), run, context);
        },
        this);
}

void TMainWindow::cancelRun() {
    if (TWqProgressForm* form = TWqProgressForm::running())
        form->cancel();
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    if (m_adding) {
        // Closed while adding: the add is cancelled (the list left as it was), then the window closes.
        m_closeAfterAdd = true;
        if (m_addProgress)
            m_addProgress->cancel();
        event->ignore();
        return;
    }
    if (m_running) {
        // Closed during a run: the run is cancelled, and the window closes once it has returned.
        m_closeAfterRun = true;
        cancelRun();
        event->ignore();
        return;
    }
    m_runQueued = false;
    m_statusTimer->stop();
    QMainWindow::closeEvent(event);
    emit closed();
}

} // namespace swapwright::gui
