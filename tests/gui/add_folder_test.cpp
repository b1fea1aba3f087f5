#include "core/filelist/file_list_model.h"
#include "gui/controls/wq_list_view.h"
#include "gui/add_folder_dialog.h"
#include "gui/gui_test_support.h"
#include "gui/message_box.h"
#include "test_support/temp_dir.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QUrl>

#include <filesystem>
#include <functional>
#include <unistd.h>

using namespace swapwright;
using namespace swapwright::gui;
using namespace swapwright::gui::test;
namespace fs = std::filesystem;
using swapwright::test::TempDir;
using swapwright::test::writeFile;
using Strings = std::vector<std::string>;

namespace {

const std::string kPrefix = "[HKEY_CURRENT_USER\\Software\\Wq - Software\\Wq - Swapwright\\";

Strings listedNames(TMainWindow& window) {
    Strings names;
    const TFileListModel& list = window.session().fileList();
    for (int i = 0; i < list.entryCount(); ++i)
        names.push_back(list.entryFileName(i));
    return names;
}

template <typename T>
T* child(QWidget* parent, const char* name) {
    return parent ? parent->findChild<T*>(QLatin1String(name)) : nullptr;
}

// Runs `answer` on the add-folder dialog once it is shown (the action's exec() waits meanwhile).
void whenDialogShows(std::function<void(TAddFolderDialog&)> answer) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<TAddFolderDialog*>(w); dialog && dialog->isVisible()) {
                poll->stop();
                poll->deleteLater();
                answer(*dialog);
                return;
            }
    });
    poll->start(5);
}

void fill(TAddFolderDialog& dialog, const std::string& folder, const QString& include, const QString& exclude,
          bool ignoreFiles, bool followLinks) {
    child<QLineEdit>(&dialog, "EditFolder")->setText(QString::fromStdString(folder));
    child<QLineEdit>(&dialog, "EditIncludeMasks")->setText(include);
    child<QLineEdit>(&dialog, "EditExcludeMasks")->setText(exclude);
    child<QCheckBox>(&dialog, "CheckUseIgnoreFiles")->setChecked(ignoreFiles);
    child<QCheckBox>(&dialog, "CheckFollowLinks")->setChecked(followLinks);
}

void dropOnto(TMainWindow& window, const std::string& name) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(name))});
    QWidget* target = window.fileList()->viewport();
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &drop);
}

} // namespace

class AddFolderTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_dir = std::make_unique<TempDir>();
        m_store = m_dir->path("settings.swd");
        MessageBox::clearLastMessage();
        // A small tree: masks, an excluded name, a family sibling, files that are never added.
        for (const char* name : {"src/b/Unit2.pas", "src/a/Unit1.pas", "src/a/Unit1.dfm", "src/a/Test1.pas",
                                 "src/c.inc", "src/readme.txt", "src/defs.swd", "src/a/Unit1._pas", "src/.git/x.pas"})
            writeFile(m_dir->path(name), "unit x;\n");
    }
    void cleanup() { m_dir.reset(); }

    void dialogAddsTheTreeAndIsRemembered();
    void dialogRefusesWhatCannotBeAdded();
    void droppedAndStartUpFoldersUseTheRememberedMasks();
    void cancelLeavesTheListAsItWas();
    void unreadableFoldersInTheStatusBar();

private:
    std::unique_ptr<TempDir> m_dir;
    std::string m_store;
};

void AddFolderTest::dialogAddsTheTreeAndIsRemembered() {
    writeFile(m_store, kPrefix + "File Extension Families]\nFile Extension Family 0=*.pas;*.dfm ^ True\n");
    auto window = startWindow(m_store);
    QAction* addFolder = window->action("ActionAddFolder");
    QVERIFY(addFolder && addFolder->isEnabled());
    QVERIFY(window->fileListMenu()->actions().contains(addFolder));

    bool shownDefaults = false;
    whenDialogShows([&](TAddFolderDialog& dialog) {
        shownDefaults = child<QLineEdit>(&dialog, "EditIncludeMasks")->text() == QStringLiteral("*.pas;*.dfm;*.dpr;*.dpk;*.inc") &&
                        child<QCheckBox>(&dialog, "CheckUseIgnoreFiles")->isChecked() &&
                        !child<QCheckBox>(&dialog, "CheckFollowLinks")->isChecked();
        for (QWidget* w : dialog.findChildren<QWidget*>())
            if (qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractButton*>(w))
                QVERIFY2(!w->objectName().isEmpty() && !w->accessibleName().isEmpty(), qPrintable(w->objectName()));
        fill(dialog, m_dir->path("src"), QStringLiteral("*.pas;*.inc"), QStringLiteral("Test*"), false, true);
        child<QPushButton>(&dialog, "BtnOk")->click();
    });
    TRIGGER(*window, "ActionAddFolder");
    QVERIFY(shownDefaults);
    // Walk order, byte-wise; the family brings the form file beside its unit.
    QCOMPARE(listedNames(*window), (Strings{m_dir->path("src/a/Unit1.pas"), m_dir->path("src/a/Unit1.dfm"),
                                            m_dir->path("src/b/Unit2.pas"), m_dir->path("src/c.inc")}));
    QVERIFY(window->folderNote()->text().isEmpty());

    TRIGGER(*window, "ActionSaveSettings");
    const std::map<std::string, std::string> saved = {{"Include Masks", "*.pas;*.inc"},
                                                      {"Exclude Masks", "Test*"},
                                                      {"Use Ignore Files", "False"},
                                                      {"Follow Symbolic Links", "True"}};
    QCOMPARE(storedValues(m_store, "Add Folder"), saved);

    // Opened again: the options and the folder as they were left; Cancel adds nothing.
    QString folderShown, includeShown;
    whenDialogShows([&](TAddFolderDialog& dialog) {
        folderShown = child<QLineEdit>(&dialog, "EditFolder")->text();
        includeShown = child<QLineEdit>(&dialog, "EditIncludeMasks")->text();
        child<QPushButton>(&dialog, "BtnCancel")->click();
    });
    TRIGGER(*window, "ActionAddFolder");
    QCOMPARE(folderShown, QString::fromStdString(m_dir->path("src")));
    QCOMPARE(includeShown, QStringLiteral("*.pas;*.inc"));
    QCOMPARE(window->session().fileList().entryCount(), 4);
}

void AddFolderTest::dialogRefusesWhatCannotBeAdded() {
    auto window = startWindow(m_store);
    const std::string missing = m_dir->path("no such folder");
    const struct {
        std::string folder;
        QString include;
        QString message;
    } rows[] = {
        {"", QStringLiteral("*.pas"), QStringLiteral("Please enter the folder whose files are to be added.")},
        {missing, QStringLiteral("*.pas"), QStringLiteral("The folder \"%1\" does not exist.").arg(QString::fromStdString(missing))},
        {m_dir->path("src/readme.txt"), QStringLiteral("*.pas"),
         QStringLiteral("The folder \"%1\" does not exist.").arg(QString::fromStdString(m_dir->path("src/readme.txt")))},
        {m_dir->path("src"), QStringLiteral(" ; "),
         QStringLiteral("No file would be added: please enter at least one include mask (e.g. *.pas).")},
    };
    for (const auto& row : rows) {
        MessageBox::clearLastMessage();
        bool keptOpen = false;
        whenDialogShows([&](TAddFolderDialog& dialog) {
            fill(dialog, row.folder, row.include, {}, true, false);
            MessageBox::setNextAnswer(QMessageBox::Ok);
            child<QPushButton>(&dialog, "BtnOk")->click();
            keptOpen = dialog.isVisible();
            child<QPushButton>(&dialog, "BtnCancel")->click();
        });
        TRIGGER(*window, "ActionAddFolder");
        QVERIFY2(keptOpen, row.folder.c_str());
        QVERIFY(MessageBox::lastMessage());
        QCOMPARE(MessageBox::lastMessage()->severity, MessageSeverity::Error);
        QCOMPARE(MessageBox::lastMessage()->text, row.message);
        QCOMPARE(window->session().fileList().entryCount(), 0);
        // Refused options are not taken either.
        QCOMPARE(window->session().folderOptions().IncludeMasks, std::string(kDefaultIncludeMasks));
    }
}

void AddFolderTest::droppedAndStartUpFoldersUseTheRememberedMasks() {
    writeFile(m_store, kPrefix + "Add Folder]\nInclude Masks=*.inc;Unit2.*\nExclude Masks=\n");
    const Strings expected = {m_dir->path("src/b/Unit2.pas"), m_dir->path("src/c.inc")};
    {
        auto window = startWindow(m_store);
        dropOnto(*window, m_dir->path("src"));
        QVERIFY(waitFor([&] { return window->session().fileList().entryCount() == 2 && !window->adding(); }));
        QCOMPARE(listedNames(*window), expected);
        window->session().fileList().RemoveAllFiles();
    }
    auto window = startWindow(m_store, {m_dir->path("src")});
    QCOMPARE(listedNames(*window), expected);
}

void AddFolderTest::cancelLeavesTheListAsItWas() {
    for (int folder = 0; folder < 40; ++folder)
        for (int file = 0; file < 100; ++file)
            writeFile(m_dir->path("big/d" + std::to_string(folder) + "/u" + std::to_string(file) + ".pas"), "x");
    TMainWindow::Options options;
    options.StoreFileName = m_store;
    options.AddFolderProgressDelay = 0;
    TMainWindow window(std::move(options));
    window.show();
    QVERIFY(waitFor([&] { return window.started(); }));
    window.session().AddFiles({m_dir->path("src/c.inc")});

    // Cancelled once some files are in; meanwhile the actions that change the list are off.
    bool progressShown = false, addsDisabled = false;
    std::size_t addedWhenCancelled = 0;
    QTimer canceller;
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        auto* progress = qobject_cast<TAddFolderProgressDialog*>(QApplication::activeModalWidget());
        if (!progress || progress->entriesAdded() == 0 || progress->canceled())
            return;
        progressShown = progress->isVisible() && progress->objectName() == QStringLiteral("AddFolderProgress");
        addsDisabled = !window.action("ActionAddFiles")->isEnabled() && !window.action("ActionRemoveAllFiles")->isEnabled();
        addedWhenCancelled = progress->entriesAdded();
        child<QPushButton>(progress, "BtnCancel")->click();
    });
    canceller.start(1);
    dropOnto(window, m_dir->path("big"));
    QVERIFY(waitFor([&] { return addedWhenCancelled > 0 && !window.adding(); }, 30000));
    QVERIFY(progressShown);
    QVERIFY(addsDisabled);
    QVERIFY(addedWhenCancelled > 0);
    QCOMPARE(listedNames(window), Strings{m_dir->path("src/c.inc")});
    QVERIFY(window.action("ActionAddFiles")->isEnabled());
    QVERIFY(!QApplication::activeModalWidget());

    // Closed while adding: the add is cancelled first, then the window closes.
    QSignalSpy closed(&window, &TMainWindow::closed);
    bool closeRefused = false;
    QObject::disconnect(&canceller, nullptr, nullptr, nullptr);
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        if (window.adding() && !closeRefused)
            closeRefused = !window.close();
    });
    dropOnto(window, m_dir->path("big"));
    QVERIFY(waitFor([&] { return closed.count() == 1; }, 30000));
    QVERIFY(closeRefused);
    QCOMPARE(listedNames(window), Strings{m_dir->path("src/c.inc")});
}

void AddFolderTest::unreadableFoldersInTheStatusBar() {
    for (const char* name : {"src/locked1/a.pas", "src/b/locked2/b.pas"})
        writeFile(m_dir->path(name), "x");
    const Strings locked = {m_dir->path("src/locked1"), m_dir->path("src/b/locked2")};
    for (const auto& folder : locked)
        fs::permissions(folder, fs::perms::none);
    if (::access(locked[0].c_str(), R_OK | X_OK) == 0) {
        for (const auto& folder : locked)
            fs::permissions(folder, fs::perms::owner_all);
        QSKIP("permissions do not keep this user out of a folder");
    }
    auto window = startWindow(m_store);
    dropOnto(*window, m_dir->path("src"));
    QVERIFY(waitFor([&] { return window->session().fileList().entryCount() > 0 && !window->adding(); }));
    for (const auto& folder : locked)
        fs::permissions(folder, fs::perms::owner_all);
    QCOMPARE(window->folderNote()->text(), QStringLiteral("2 unreadable folders skipped"));
    // The next add that skips none clears it.
    dropOnto(*window, m_dir->path("src/c.inc"));
    QVERIFY(waitFor([&] { return window->folderNote()->text().isEmpty(); }));
}

QTEST_MAIN(AddFolderTest)
#include "add_folder_test.moc"
