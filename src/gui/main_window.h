#pragma once

#include "core/base/host.h"
#include "core/session/session.h"
#include "core/store/window_font.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QLabel;
class QMenu;
class QPrinter;
class QTimer;
class QToolButton;

// The program's main window: the file list over the find/replace grid, the tool bar at the right,
// the status bar, the actions and their menus. It holds the session (store, file list, grid) and
// wires the actions to it; the start-up work runs on the first idle moment, the whole state is
// saved when the window is destroyed.
namespace swapwright::gui {

class TAboutWindow;
class TAddFolderProgressDialog;
class TPreviewWindow;
class TFileListItemModel;
class TFindReplaceGridItemModel;
class TWqFindReplaceGrid;
class TWqListView;
class TWqSplitter;

class TMainWindow : public QMainWindow, public ISessionView {
    Q_OBJECT
public:
    static constexpr int kDesignedWidth = 496;
    static constexpr int kDesignedHeight = 477;
    static constexpr int kStatusBarHeight = 22;
    static constexpr int kToolButtonSize = 36;
    static constexpr int kDesignedGridHeight = 156;
    static constexpr int kSplitterThickness = 6;
    static constexpr int kStatusInterval = 1000;

    struct Options {
        std::string StoreFileName;           // the settings file in use until a definition file is named
        std::vector<std::string> Arguments;  // the command line after the program's name
        std::string ProgramPath;             // for the file type registration (none: not registered)
        std::string DataHome;                // where the registration writes
        int AddFolderProgressDelay = 300;    // how long adding a folder runs before its progress shows (ms)
        std::string UndoFolder;              // where runs keep their undo data (none: no undo)
    };

    explicit TMainWindow(Options options, QWidget* parent = nullptr);
    ~TMainWindow() override;

    TSession& session() noexcept { return *m_session; }
    // The action of that name (its objectName), or null.
    QAction* action(std::string_view name) const;
    const std::vector<QAction*>& actions() const noexcept { return m_actions; }
    QMenu* fileListMenu() const noexcept { return m_fileListMenu; }
    QMenu* gridMenu() const noexcept { return m_gridMenu; }
    QMenu* settingsMenu() const noexcept { return m_settingsMenu; }
    QMenu* infoMenu() const noexcept { return m_infoMenu; }
    TWqListView* fileList() const noexcept { return m_fileList; }
    TWqFindReplaceGrid* grid() const noexcept { return m_grid; }
    TWqSplitter* splitter() const noexcept { return m_splitter; }
    QLabel* statusText() const noexcept { return m_statusText; }
    // "N unreadable folders skipped" after the last add that skipped some, otherwise empty.
    QLabel* folderNote() const noexcept { return m_folderNote; }
    // The preview window while it is open.
    TPreviewWindow* previewWindow() const noexcept;

    // Whether the start-up work has been done.
    bool started() const noexcept { return m_started; }
    // From the moment the run action is triggered until the run has returned.
    bool runPending() const noexcept { return m_runQueued || m_running; }
    // While files or folders are being added to the list.
    bool adding() const noexcept { return m_adding; }

    // ISessionView
    void storeWindowRecord(TWindowRecord& record) override;
    void applyWindowRecord(const TWindowRecord& record) override;
    void storeFileChanged() override;
    void updateActions() override;

    void updateCaption();
    void updateStatusBar();
    // The file list and the grid take the font.
    void setListFont(const QFont& font);
    // An image of the window on the printer's page, scaled to fit.
    void printWindowImage(QPrinter& printer);

    // Where the bundled user guide is (empty when it cannot be found).
    static QString userGuidePath();

signals:
    // The window was closed: the program ends.
    void closed();
    // A run, preview or undo started from the window has returned.
    void runFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class GuiYield;
    class WaitCursor;

    void buildActions();
    void buildMenus();
    void buildLayout();
    void buildToolBar();
    QAction* addAction(std::string_view name, const char* category, std::string_view caption, std::string_view hint,
                       std::string_view iconName = {});
    QToolButton* addToolButton(const char* objectName, QAction* action, std::string_view iconName);
    QToolButton* addMenuButton(const char* objectName, QMenu* menu, const QString& caption, const QString& hint,
                               std::string_view iconName);
    void startUp();
    std::vector<int> selectedFileRows() const;

    // Action handlers.
    void ActionExecuteReplacementsExecute();
    void ActionPreviewReplacementsExecute();
    void ActionUndoLastRunExecute();
    void ActionAddFilesExecute();
    void ActionAddFolderExecute();
    void ActionPrintExecute();
    void ActionSetFontExecute();
    void ActionExitApplicationExecute();
    void ActionSettingsDlgExecute();
    void ActionSaveSettingsToFileExecute();
    void ActionLoadSettingsFromFileExecute();
    void ActionInfoAboutExecute();
    void ActionInfoWebExecute();
    void FileListFilesDropped(const std::vector<std::string>& fileNames);

    // Every way into the list (the add actions, a drop, the start-up) goes through here: one add
    // at a time, with the folder progress, and the unreadable folders skipped told afterwards.
    void addToList(const std::function<TAddFilesResult()>& add);

    // A run, a preview or an undo starts from a queued call, one at a time.
    void queueRun(void (TMainWindow::*work)());
    // Marks the window busy while the work goes on; when the work says it has started, the run's
    // end is told (runFinished) and a close asked for meanwhile is done.
    void runScoped(const std::function<void(bool& started)>& work);
    // The run itself, from the queued call.
    void executeReplacements();
    void previewReplacements();
    void undoLastRun();
    // Whether the undo folder holds a run not undone yet (read after each run and each undo).
    void refreshUndoState();
    void runOperation(TOperationData& operation);
    void cancelRun();

    Options m_options;
    std::unique_ptr<TSession> m_session;
    std::unique_ptr<IQuestion> m_question;
    std::unique_ptr<GuiYield> m_yield;
    std::unique_ptr<WaitCursor> m_waitCursor;

    TFileListItemModel* m_fileListModel = nullptr;
    TFindReplaceGridItemModel* m_gridModel = nullptr;
    TWqListView* m_fileList = nullptr;
    TWqSplitter* m_splitter = nullptr;
    TWqFindReplaceGrid* m_grid = nullptr;
    QLabel* m_statusText = nullptr;
    QLabel* m_folderNote = nullptr;
    QTimer* m_statusTimer = nullptr;
    QMenu* m_fileListMenu = nullptr;
    QMenu* m_gridMenu = nullptr;
    QMenu* m_settingsMenu = nullptr;
    QMenu* m_infoMenu = nullptr;
    std::vector<QAction*> m_actions;
    std::map<std::string, QAction*, std::less<>> m_actionsByName;
    QPointer<TAboutWindow> m_about;
    QPointer<TPreviewWindow> m_preview;
    TWqFont m_listFont;
    std::string m_lastFolder; // the add-folder dialog's folder
    TAddFolderProgressDialog* m_addProgress = nullptr;

    bool m_startingUp = false;
    bool m_started = false;
    bool m_runQueued = false;
    bool m_running = false;
    bool m_closeAfterRun = false;
    bool m_adding = false;
    bool m_closeAfterAdd = false;
    bool m_undoAvailable = false;
};

} // namespace swapwright::gui
