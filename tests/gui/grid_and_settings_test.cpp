#include "core/filelist/extension_families.h"
#include "core/filelist/file_list_model.h"
#include "core/grid/find_replace_grid_model.h"
#include "core/settings/app_settings.h"
#include "gui/controls/wq_combo_box.h"
#include "gui/controls/wq_integer_edit.h"
#include "gui/find_replace_grid.h"
#include "gui/gui_test_support.h"
#include "gui/message_box.h"
#include "gui/models/file_list_item_model.h"
#include "gui/models/grid_item_model.h"
#include "gui/settings_window.h"
#include "test_support/temp_dir.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

using namespace swapwright;
using namespace swapwright::gui;
using namespace swapwright::gui::test;
using swapwright::test::TempDir;
using swapwright::test::writeFile;

namespace {

const std::string kPrefix = "[HKEY_CURRENT_USER\\Software\\Wq - Software\\Wq - Swapwright\\";

// A grid view over its own core model, shown and focused.
struct GridFixture {
    TFindReplaceGridModel core{10};
    TFindReplaceGridItemModel model{core};
    TWqFindReplaceGrid view;
    GridFixture() {
        view.setGridModel(&model);
        view.resize(500, 240);
        view.show();
        view.activateWindow();
        (void)QTest::qWaitForWindowActive(&view);
        view.setFocus();
    }
    QModelIndex at(int column, int row) const { return model.index(row, column); }
    void click(int column, int row) {
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(at(column, row)).center());
    }
    // The open editor (closed ones may wait for their deletion).
    QPlainTextEdit* editor() const {
        for (auto* e : view.findChildren<QPlainTextEdit*>(QStringLiteral("GridCellEditor")))
            if (e->isVisible())
                return e;
        return nullptr;
    }
};

} // namespace

class GridAndSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_dir = std::make_unique<TempDir>();
        m_store = m_dir->path("settings.swd");
        MessageBox::clearLastMessage();
    }
    void cleanup() { m_dir.reset(); }

    void itemModelsKeepTheContract();
    void switchCellsToggleAndRefuseTheMove();
    void editorTakesLinesAndKeepsBytes();
    void settingsShowClampedValuesAndStoreThem();
    void emptyBackupPrefixKeepsTheDialogOpen();
    void prefixWarningAndFamilies();
    void rowCountReachesTheGridAtOnce();

private:
    std::unique_ptr<TempDir> m_dir;
    std::string m_store;
};

void GridAndSettingsTest::itemModelsKeepTheContract() {
    TFileListModel list;
    TFileListItemModel listModel(list);
    QAbstractItemModelTester listTester(&listModel, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (const char* name : {"/a.pas", "/b.pas", "/c.pas", "/d.pas", "/\xE4.pas"})
        list.AddEntry(name, true, slpNone);
    QCOMPARE(listModel.rowCount(), 5);
    QCOMPARE(listModel.data(listModel.index(4, 0)).toString(), QStringLiteral("/\u00E4.pas")); // Latin-1 shown
    QCOMPARE(listModel.data(listModel.index(4, 0), TFileListItemModel::FileNameBytesRole).toByteArray(),
             QByteArray("/\xE4.pas"));
    QCOMPARE(listModel.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Size"));
    QVERIFY(listModel.setData(listModel.index(1, 0), Qt::Unchecked, Qt::CheckStateRole));
    QVERIFY(!list.entry(1).Checked);
    // An unchanged name keeps its bytes; an edited Latin-1 name stays Latin-1.
    listModel.setData(listModel.index(4, 0), QStringLiteral("/\u00E4.pas"));
    QCOMPARE(list.entry(4).FileName, std::string("/\xE4.pas"));
    listModel.setData(listModel.index(4, 0), QStringLiteral("/\u00E4x.pas"));
    QCOMPARE(list.entry(4).FileName, std::string("/\xE4x.pas"));
    list.RemoveSelectedFiles({0, 2, 3});
    list.SetStrLenPrefix(slp8Bit, true);
    list.RemoveAllFiles();
    QCOMPARE(listModel.rowCount(), 0);

    TFindReplaceGridModel grid(3);
    TFindReplaceGridItemModel gridModel(grid);
    QAbstractItemModelTester gridTester(&gridModel, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QStringList headers;
    for (int c = 0; c < gridModel.columnCount(); ++c)
        headers << gridModel.headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headers, QStringList({"No", "Sum", "Use", "Find", "Replacement", "Case", "Words"}));
    grid.setDefinitionRowCount(8);
    grid.setCell(colFind, 7, "x");
    grid.setDefinitionRowCount(2);
    grid.setSum(1, "12");
    QCOMPARE(gridModel.data(gridModel.index(1, colNo)).toString(), QStringLiteral("2"));
    QCOMPARE(gridModel.data(gridModel.index(1, colSum)).toString(), QStringLiteral("12"));
    // Switch cells read by the truth test and show their stored text.
    const struct {
        const char* text;
        bool on;
    } switches[] = {{"true", true}, {"1", true}, {"yes", true}, {"Wahr", true}, {"Si", true},
                    {"false", false}, {"0", false}, {"No", false}, {"", false}};
    for (const auto& s : switches) {
        grid.setCell(colCase, 0, s.text);
        QCOMPARE(gridModel.data(gridModel.index(0, colCase), Qt::CheckStateRole).toInt() == Qt::Checked, s.on);
        QCOMPARE(gridModel.data(gridModel.index(0, colCase)).toString(), QString::fromLatin1(s.text));
    }
    grid.execute(TGridCommand::ClearFindReplaceGrid);
    QCOMPARE(gridModel.data(gridModel.index(1, colSum)).toString(), QStringLiteral("12")); // sums stay
}

void GridAndSettingsTest::switchCellsToggleAndRefuseTheMove() {
    GridFixture g;
    QCOMPARE(g.view.currentIndex(), g.at(colFind, 0)); // first focus
    g.click(colFind, 3);
    QCOMPARE(g.view.currentIndex(), g.at(colFind, 3));
    // A Use box clicked twice is back where it was; the current cell never moves.
    g.click(colUse, 1);
    QCOMPARE(g.core.cellText(colUse, 1), std::string("Yes"));
    g.click(colUse, 1);
    QCOMPARE(g.core.cellText(colUse, 1), std::string("No"));
    QCOMPARE(g.view.currentIndex(), g.at(colFind, 3));
    g.click(colNo, 2);
    g.click(colSum, 2);
    QCOMPARE(g.view.currentIndex(), g.at(colFind, 3));
    // Right from Find goes to Replacement; right from Replacement flips Case and stays.
    QTest::keyClick(&g.view, Qt::Key_Right);
    QCOMPARE(g.view.currentIndex(), g.at(colReplacement, 3));
    QTest::keyClick(&g.view, Qt::Key_Right);
    QCOMPARE(g.view.currentIndex(), g.at(colReplacement, 3));
    QCOMPARE(g.core.cellText(colCase, 3), std::string("Yes"));
    // Tab does the same and keeps the focus in the grid; Left from Find flips Use.
    QTest::keyClick(&g.view, Qt::Key_Tab);
    QCOMPARE(g.core.cellText(colCase, 3), std::string("No"));
    QVERIFY(g.view.hasFocus());
    QTest::keyClick(&g.view, Qt::Key_Left);
    QTest::keyClick(&g.view, Qt::Key_Left);
    QCOMPARE(g.view.currentIndex(), g.at(colFind, 3));
    QCOMPARE(g.core.cellText(colUse, 3), std::string("Yes"));
    // Drawn as 15 x 15 check boxes: the cell's text is not painted.
    QCOMPARE(TWqFindReplaceGrid::kCheckBoxSize, 15);
    QCOMPARE(g.view.rowHeight(0), 20);
    const int widths[] = {24, 35, 29, 141, 134, 32, 31};
    for (int c = 0; c < 7; ++c)
        QCOMPARE(g.view.columnWidth(c), widths[c]);
    QCOMPARE(g.view.horizontalHeader()->sectionResizeMode(colFind), QHeaderView::Interactive);
}

void GridAndSettingsTest::editorTakesLinesAndKeepsBytes() {
    GridFixture g;
    g.core.setCell(colReplacement, 0, "caf\xE9\r\nline");
    QTest::keyClick(&g.view, Qt::Key_F2); // the first Find cell is current
    QVERIFY(g.editor());
    QTest::keyClicks(g.editor(), QStringLiteral("one"));
    QTest::keyClick(g.editor(), Qt::Key_Return); // a line break
    QTest::keyClicks(g.editor(), QStringLiteral("two"));
    g.editor()->insertPlainText(QStringLiteral("\u00A0"));
    QTest::keyClick(g.editor(), Qt::Key_Return, Qt::ControlModifier); // commits
    QCOMPARE(g.core.cellText(colFind, 0), std::string("one\ntwo\xC2\xA0"));
    QVERIFY(!g.editor());
    // Opened and left without a change: the Latin-1 bytes and the CR LF stay as they were.
    g.click(colReplacement, 0);
    QTest::keyClick(&g.view, Qt::Key_F2);
    QVERIFY(g.editor());
    g.view.commitEdit();
    QTest::keyClick(g.editor(), Qt::Key_Escape);
    QCOMPARE(g.core.cellText(colReplacement, 0), std::string("caf\xE9\r\nline"));
    // Edited, the cell keeps its own line breaks and its Latin-1; a run or a save takes what the
    // open editor holds.
    QTest::keyClick(&g.view, Qt::Key_F2);
    QVERIFY(g.editor());
    QTest::keyClick(g.editor(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(g.editor(), Qt::Key_Return);
    g.editor()->insertPlainText(QStringLiteral("\u00FC"));
    g.view.commitEdit();
    QCOMPARE(g.core.cellText(colReplacement, 0), std::string("caf\xE9\r\nline\r\n\xFC"));
}

void GridAndSettingsTest::settingsShowClampedValuesAndStoreThem() {
    writeFile(m_store, kPrefix + "General Settings]\nDFM File Store Format=7\nProject File Add Action=-3\n"
                                 "Default String Length Prefix=9\nProgress Resolution=abc\nUndo History=500\n"
                                 "Leave Files without Replacements untouched=True\n" +
                           kPrefix + "Main Window]\nOperation Error Action=-1\n");
    auto store = CreateAppPersistentData(m_store);
    {
        TSettingsWindow dialog(*store, nullptr, nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Application Settings"));
        QCOMPARE(dialog.size(), QSize(335, 529));
        QCOMPARE(dialog.minimumSize(), QSize(335, 528));
        auto* format = dialog.findChild<TWqComboBox*>(QStringLiteral("ComboBoxDFMStoreFormat"));
        QCOMPARE(format->currentText(), QStringLiteral("In the Format they had before"));
        QCOMPARE(dialog.findChild<TWqComboBox*>(QStringLiteral("ComboBoxProjectFileAddAction"))->ItemIndex(), 0);
        QCOMPARE(dialog.findChild<TWqComboBox*>(QStringLiteral("ComboBoxStrLenPrefix"))->ItemIndex(), 3);
        QCOMPARE(dialog.findChild<TWqComboBox*>(QStringLiteral("ComboBoxErrorAction"))->ItemIndex(), 0);
        QCOMPARE(dialog.findChild<TWqIntegerEdit*>(QStringLiteral("EditProgressResolution"))->value(), 100);
        QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("EditBackupFileExtPrefix"))->text(), QStringLiteral("_"));
        auto* undoHistory = dialog.findChild<TWqIntegerEdit*>(QStringLiteral("EditUndoHistory"));
        auto* leaveUnchanged = dialog.findChild<QCheckBox*>(QStringLiteral("CheckBoxLeaveUnchangedFiles"));
        QCOMPARE(undoHistory->value(), 100);
        QCOMPARE(undoHistory->accessibleName(), QStringLiteral("Undo History (Runs kept)"));
        QVERIFY(leaveUnchanged->isChecked());
        undoHistory->setText(QStringLiteral("3"));
        leaveUnchanged->setChecked(false);
        dialog.findChild<QCheckBox*>(QStringLiteral("CheckBoxStrLenPrefixWarning"))->setChecked(false);
        dialog.findChild<QCheckBox*>(QStringLiteral("CheckBoxCreateBackupFiles"))->setChecked(false);
        dialog.findChild<TWqIntegerEdit*>(QStringLiteral("EditProgressResolution"))->setText(QStringLiteral("20000"));
        dialog.show();
        dialog.move(33, 44);
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    QCOMPARE(ReadIntegerSetting(*store, sidDfmFileStoreFormat), 2);
    QCOMPARE(ReadIntegerSetting(*store, sidProjectFileAddAction), 0);
    QCOMPARE(ReadIntegerSetting(*store, sidDefaultStrLenPrefix), 3);
    QCOMPARE(ReadIntegerSetting(*store, sidOperationErrorAction), 0);
    QCOMPARE(ReadIntegerSetting(*store, sidProgressResolution), 10000);
    QCOMPARE(ReadBoolSetting(*store, sidCreateBackupFiles), false);
    QCOMPARE(ReadBoolSetting(*store, sidShowStrLenPrefixWarning), false);
    QCOMPARE(ReadIntegerSetting(*store, sidUndoHistory), 3);
    QCOMPARE(ReadBoolSetting(*store, sidLeaveUnchangedFiles), false);
    QVERIFY(storedValues(m_store, "Settings Dialog").count("Settings Dialog Left") == 1);
}

void GridAndSettingsTest::emptyBackupPrefixKeepsTheDialogOpen() {
    auto store = CreateAppPersistentData(m_store);
    TSettingsWindow dialog(*store, nullptr, nullptr);
    dialog.show();
    dialog.findChild<QLineEdit*>(QStringLiteral("EditBackupFileExtPrefix"))->clear();
    dialog.findChild<QCheckBox*>(QStringLiteral("CheckBoxCreateBackupFiles"))->setChecked(false);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("BtnOk")), Qt::LeftButton);
    QVERIFY(dialog.isVisible());
    QCOMPARE(MessageBox::lastMessage()->text,
             QStringLiteral("The Length of Backup File Extension mu\u00DFt be at least one Character."));
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("BtnCancel")), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(ReadBoolSetting(*store, sidCreateBackupFiles), true);
    QCOMPARE(ReadTextSetting(*store, sidBackupFilePrefix), std::string("_"));
}

void GridAndSettingsTest::prefixWarningAndFamilies() {
    writeFile(m_store, kPrefix + "File Extension Families]\nFile Extension Family 0=a ^^ b\n"
                                 "File Extension Family 1=*.pas;*.dfm ^ True\nFile Extension Family 2=\n");
    auto store = CreateAppPersistentData(m_store);
    MessageBoxQuestion question;
    TSettingsWindow dialog(*store, nullptr, &question);
    dialog.show();
    dialog.activateWindow();
    (void)QTest::qWaitForWindowActive(&dialog);
    auto* list = dialog.findChild<QTreeView*>(QStringLiteral("ListFileExtFamilies"));
    QAbstractItemModel* families = list->model();
    QCOMPARE(families->rowCount(), 2);
    QCOMPARE(families->data(families->index(0, 0)).toString(), QStringLiteral("a"));
    QCOMPARE(families->data(families->index(0, 0), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QCOMPARE(families->headerData(0, Qt::Horizontal).toString(), QStringLiteral("File Extensions"));
    QCOMPARE(list->columnWidth(0), 245);
    auto* remove = dialog.findChild<QToolButton*>(QStringLiteral("BtnDeleteFileExtFamily"));
    auto* check = dialog.findChild<QToolButton*>(QStringLiteral("BtnCheckFileExtFamilies"));
    QVERIFY(!remove->isEnabled() && !check->isEnabled());
    QVERIFY(dialog.findChild<QToolButton*>(QStringLiteral("BtnNewFileExtFamily"))->isEnabled());

    list->selectionModel()->select(families->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(remove->isEnabled() && check->isEnabled());
    check->click();
    QCOMPARE(families->data(families->index(0, 0), Qt::CheckStateRole).toInt(), int(Qt::Checked));
    dialog.newFamily(); // an empty item, its caption being edited
    QCOMPARE(families->rowCount(), 3);
    auto* caption = list->viewport()->findChild<QLineEdit*>();
    QVERIFY(caption);
    QTest::keyClicks(caption, QStringLiteral("*.inc"));
    QTest::keyClick(caption, Qt::Key_Return); // ends the edit, does not press OK
    QVERIFY(dialog.isVisible());
    QCOMPARE(families->data(families->index(2, 0)).toString(), QStringLiteral("*.inc"));

    // 8 Bit with the warning on asks once; No stores False.
    dialog.findChild<TWqComboBox*>(QStringLiteral("ComboBoxStrLenPrefix"))->SetItemIndex(1);
    MessageBox::setNextAnswer(QMessageBox::No);
    dialog.accept();
    QCOMPARE(MessageBox::lastMessage()->severity, MessageSeverity::Warning);
    QCOMPARE(ReadBoolSetting(*store, sidShowStrLenPrefixWarning), false);
    QCOMPARE(ReadFamilyTexts(*store),
             (std::vector<std::string>{"a ^ True", "*.pas;*.dfm ^ True", "*.inc ^ False"}));
    QCOMPARE(storedValues(m_store, "File Extension Families").count("File Extension Family 0"), std::size_t{1});
}

void GridAndSettingsTest::rowCountReachesTheGridAtOnce() {
    auto window = startWindow(m_store);
    QCOMPARE(window->grid()->model()->rowCount(), 100);
    bool edited = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TSettingsWindow*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        dialog->findChild<TWqIntegerEdit*>(QStringLiteral("EditFindReplaceRowCount"))->setText(QStringLiteral("20"));
        dialog->accept();
        edited = true;
    });
    TRIGGER(*window, "ActionSettingsDlg");
    QVERIFY(edited);
    // 20 definition rows and the header row.
    QCOMPARE(window->grid()->model()->rowCount(), 20);
    QVERIFY(window->grid()->horizontalHeader()->isVisible());
    QCOMPARE(ReadIntegerSetting(window->session().store(), sidFindReplaceGridRowCount), 20);
}

QTEST_MAIN(GridAndSettingsTest)
#include "grid_and_settings_test.moc"
