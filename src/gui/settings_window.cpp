#include "gui/settings_window.h"

#include "core/base/host.h"
#include "core/engine/run_choices.h"
#include "core/filelist/extension_families.h"
#include "core/filelist/file_list_model.h"
#include "core/grid/find_replace_grid_model.h"
#include "core/settings/app_settings.h"
#include "gui/controls/wq_combo_box.h"
#include "gui/controls/wq_integer_edit.h"
#include "gui/controls/wq_list_view.h"
#include "gui/controls/wq_size_grip.h"
#include "gui/exception_handler.h"
#include "gui/icons.h"
#include "gui/message_box.h"
#include "gui/text_convert.h"
#include "gui/window_placement.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace swapwright::gui {

namespace {

constexpr int kOriginalBytesRole = Qt::UserRole + 1;

const QString kBackupPrefixMessage = QStringLiteral("The Length of Backup File Extension mußt be at least one Character.");

// Enter ends the edit of a family's caption and goes no further (it does not press OK).
class FamilyCaptionDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (auto* editor = qobject_cast<QWidget*>(object); editor && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
                emit commitData(editor);
                emit closeEditor(editor, QAbstractItemDelegate::NoHint);
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }
};

template <std::size_t N>
void fillCombo(TWqComboBox& combo, const std::array<std::string_view, N>& texts) {
    combo.clear();
    for (const std::string_view text : texts)
        combo.addItem(toDisplayText(text));
    // The list shows every text whole, however narrow the box is.
    int widest = 0;
    for (int i = 0; i < combo.count(); ++i)
        widest = std::max(widest, combo.fontMetrics().horizontalAdvance(combo.itemText(i)));
    combo.view()->setMinimumWidth(widest + 24);
}

QLabel* captionFor(const QString& caption, QWidget* control, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setBuddy(control);
    control->setAccessibleName(QString(caption).remove(QLatin1Char(':')));
    return label;
}

QToolButton* familyButton(const char* objectName, std::string_view iconName, const QString& hint, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(objectName));
    button->setIcon(icons::icon(iconName));
    button->setIconSize(QSize(20, 20));
    button->setAutoRaise(true);
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setFixedSize(26, 26);
    return button;
}

} // namespace

TSettingsWindow::TSettingsWindow(TWqPersistentData& store, TFindReplaceGridModel* grid, IQuestion* question,
                                 QWidget* parent)
    : QDialog(parent), m_store(store), m_grid(grid), m_question(question) {
    setWindowTitle(QStringLiteral("Application Settings"));
    setAccessibleName(windowTitle());
    setObjectName(QStringLiteral("SettingsWindow"));
    buildControls();
    resize(kWidth, kHeight);
    setMinimumSize(kMinWidth, kMinHeight);
    loadWindowPlacement(*this, &m_store, kSettingsDialogKey, TDefaultPlacement::ScreenCenter);
    loadValues();
}

TSettingsWindow::~TSettingsWindow() {
    guardedCall([this] { storeWindowPlacement(*this, &m_store, kSettingsDialogKey); });
}

void TSettingsWindow::buildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(2);

    m_markNewFilesAsChecked = new QCheckBox(QStringLiteral("Mark newly added Files as to be processed"), this);
    m_markNewFilesAsChecked->setObjectName(QStringLiteral("CheckBoxMarkNewFilesAsChecked"));
    m_strLenPrefixWarning = new QCheckBox(QStringLiteral("Show String Length Prefix Warning"), this);
    m_strLenPrefixWarning->setObjectName(QStringLiteral("CheckBoxStrLenPrefixWarning"));
    m_leaveUnchangedFiles = new QCheckBox(QStringLiteral("Leave Files without Replacements untouched"), this);
    m_leaveUnchangedFiles->setObjectName(QStringLiteral("CheckBoxLeaveUnchangedFiles"));
    m_leaveUnchangedFiles->setToolTip(
        QStringLiteral("A File in which nothing is replaced is not written anew, not backed up, its Time Stamps kept"));
    layout->addWidget(m_markNewFilesAsChecked);
    layout->addWidget(m_strLenPrefixWarning);
    layout->addWidget(m_leaveUnchangedFiles);

    auto* backup = new QGroupBox(QStringLiteral("  Backup Files  "), this);
    auto* backupLayout = new QGridLayout(backup);
    backupLayout->setContentsMargins(8, 0, 8, 4);
    backupLayout->setVerticalSpacing(2);
    m_createBackupFiles = new QCheckBox(QStringLiteral("Create Backup Files"), backup);
    m_createBackupFiles->setObjectName(QStringLiteral("CheckBoxCreateBackupFiles"));
    m_backupFileExtPrefix = new QLineEdit(backup);
    m_backupFileExtPrefix->setObjectName(QStringLiteral("EditBackupFileExtPrefix"));
    m_backupFileExtPrefix->setFixedWidth(70);
    backupLayout->addWidget(m_createBackupFiles, 0, 0, 1, 2);
    backupLayout->addWidget(captionFor(QStringLiteral("Backup File Extension Prefix:"), m_backupFileExtPrefix, backup), 1, 0);
    backupLayout->addWidget(m_backupFileExtPrefix, 1, 1, Qt::AlignRight);
    layout->addWidget(backup);

    auto* choices = new QGridLayout;
    choices->setHorizontalSpacing(6);
    choices->setVerticalSpacing(2);
    int row = 0;
    const auto addCombo = [&](TWqComboBox*& combo, const char* objectName, const QString& caption) {
        combo = new TWqComboBox(this);
        combo->setObjectName(QLatin1String(objectName));
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->setMinimumContentsLength(8);
        choices->addWidget(captionFor(caption, combo, this), row++, 0, 1, 2);
        choices->addWidget(combo, row++, 0, 1, 2);
    };
    addCombo(m_projectFileAddAction, "ComboBoxProjectFileAddAction", QStringLiteral("Project File add Action:"));
    addCombo(m_dfmStoreFormat, "ComboBoxDFMStoreFormat", QStringLiteral("Form File Store Format:"));
    addCombo(m_strLenPrefix, "ComboBoxStrLenPrefix", QStringLiteral("Default String Length Prefix:"));
    addCombo(m_errorAction, "ComboBoxErrorAction", QStringLiteral("Operation Error Action:"));
    const auto addInteger = [&](TWqIntegerEdit*& edit, const char* objectName, const QString& caption) {
        edit = new TWqIntegerEdit(this);
        edit->setObjectName(QLatin1String(objectName));
        edit->setFixedWidth(80);
        choices->addWidget(captionFor(caption, edit, this), row, 0);
        choices->addWidget(edit, row++, 1, Qt::AlignRight);
    };
    addInteger(m_findReplaceRowCount, "EditFindReplaceRowCount", QStringLiteral("Number of Rows in Find/Replace Grid:"));
    m_findReplaceRowCount->SetMinValue(1);
    // The grid holds at most this many rows; the field says so instead of the grid cutting silently.
    m_findReplaceRowCount->SetMaxValue(kGridMaxDefinitionRows);
    addInteger(m_progressResolution, "EditProgressResolution", QStringLiteral("Progress Resolution:"));
    m_progressResolution->SetMinValue(1);
    m_progressResolution->SetMaxValue(10000);
    addInteger(m_undoHistory, "EditUndoHistory", QStringLiteral("Undo History (Runs kept):"));
    m_undoHistory->setToolTip(QStringLiteral("How many of the last Runs can be undone; 0 keeps none"));
    m_undoHistory->SetMinValue(0);
    m_undoHistory->SetMaxValue(kMaxUndoHistory);
    choices->setColumnStretch(0, 1);
    layout->addLayout(choices);

    auto* families = new QGroupBox(QStringLiteral(" File Extension Families "), this);
    auto* familyLayout = new QHBoxLayout(families);
    familyLayout->setContentsMargins(8, 0, 8, 4);
    familyLayout->setSpacing(4);
    m_familyModel = new QStandardItemModel(0, 1, this);
    m_familyModel->setHorizontalHeaderLabels({QStringLiteral("File Extensions")});
    m_families = new TWqListView(families);
    m_families->setObjectName(QStringLiteral("ListFileExtFamilies"));
    m_families->setModel(m_familyModel);
    m_families->setItemDelegate(new FamilyCaptionDelegate(m_families));
    m_families->setToolTip(QStringLiteral("Example: *.pas;*.dfm"));
    m_families->setAccessibleName(QStringLiteral("File Extension Families"));
    m_families->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                QAbstractItemView::SelectedClicked);
    m_families->header()->setSectionsClickable(false);
    m_families->header()->setStretchLastSection(false);
    m_families->setColumnWidth(0, kFamilyColumnWidth);
    m_families->setMinimumHeight(2 * 26 + 2);
    familyLayout->addWidget(m_families, 1);
    auto* buttons = new QGridLayout;
    buttons->setSpacing(2);
    m_newFamily = familyButton("BtnNewFileExtFamily", icons::FamilyNew, QStringLiteral("New File Extension Family"), families);
    m_deleteFamilies = familyButton("BtnDeleteFileExtFamily", icons::FamilyDelete,
                                    QStringLiteral("Delete selected File Extension Families"), families);
    m_uncheckFamilies = familyButton("BtnUncheckFileExtFamilies", icons::FamilyUncheck,
                                     QStringLiteral("Don't use selected File Extension Families"), families);
    m_checkFamilies = familyButton("BtnCheckFileExtFamilies", icons::FamilyCheck,
                                   QStringLiteral("Use selected File Extension Families"), families);
    buttons->addWidget(m_newFamily, 0, 0);
    buttons->addWidget(m_deleteFamilies, 0, 1);
    buttons->addWidget(m_uncheckFamilies, 1, 0);
    buttons->addWidget(m_checkFamilies, 1, 1);
    buttons->setRowStretch(2, 1);
    familyLayout->addLayout(buttons);
    layout->addWidget(families, 1);

    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(0, 2, 12, 0);
    bottom->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
    ok->setObjectName(QStringLiteral("BtnOk"));
    ok->setDefault(true);
    ok->setAutoDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("BtnCancel"));
    cancel->setAutoDefault(false);
    bottom->addWidget(ok);
    bottom->addWidget(cancel);
    layout->addLayout(bottom);
    new TWqSizeGrip(this);

    connect(ok, &QPushButton::clicked, this, guardedSlot([this] { accept(); }));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_newFamily, &QToolButton::clicked, this, guardedSlot([this] { newFamily(); }));
    connect(m_deleteFamilies, &QToolButton::clicked, this, guardedSlot([this] { deleteFamilies(); }));
    connect(m_uncheckFamilies, &QToolButton::clicked, this, guardedSlot([this] { setFamiliesChecked(false); }));
    connect(m_checkFamilies, &QToolButton::clicked, this, guardedSlot([this] { setFamiliesChecked(true); }));
    connect(m_families->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { updateFamilyButtons(); });
    connect(m_families, &QAbstractItemView::clicked, this, [this] { updateFamilyButtons(); });
}

void TSettingsWindow::loadValues() {
    fillCombo(*m_projectFileAddAction, kProjectFileAddActionTexts);
    fillCombo(*m_dfmStoreFormat, kDfmStoreFormatTexts);
    fillCombo(*m_strLenPrefix, kStrLenPrefixTexts);
    fillCombo(*m_errorAction, kOperationErrorActionTexts);

    m_createBackupFiles->setChecked(ReadBoolSetting(m_store, sidCreateBackupFiles));
    m_markNewFilesAsChecked->setChecked(ReadBoolSetting(m_store, sidMarkNewFilesAsChecked));
    m_strLenPrefixWarning->setChecked(ReadBoolSetting(m_store, sidShowStrLenPrefixWarning));
    m_leaveUnchangedFiles->setChecked(ReadBoolSetting(m_store, sidLeaveUnchangedFiles));
    const std::string prefix = ReadTextSetting(m_store, sidBackupFilePrefix);
    m_backupFileExtPrefix->setText(toDisplayText(prefix));
    m_backupFileExtPrefix->setProperty("originalBytes", QByteArray(prefix.data(), static_cast<qsizetype>(prefix.size())));
    const auto choose = [this](TWqComboBox& combo, TSettingId id) {
        combo.SetItemIndex(ClampChoice(ReadIntegerSetting(m_store, id), static_cast<std::size_t>(combo.count())));
    };
    choose(*m_projectFileAddAction, sidProjectFileAddAction);
    choose(*m_dfmStoreFormat, sidDfmFileStoreFormat);
    choose(*m_strLenPrefix, sidDefaultStrLenPrefix);
    choose(*m_errorAction, sidOperationErrorAction);
    for (TWqComboBox* combo : {m_projectFileAddAction, m_dfmStoreFormat, m_strLenPrefix, m_errorAction}) {
        combo->setToolTip(combo->currentText());
        connect(combo, &QComboBox::currentTextChanged, combo, [combo](const QString& text) { combo->setToolTip(text); });
    }
    m_findReplaceRowCount->setValue(ReadIntegerSetting(m_store, sidFindReplaceGridRowCount));
    m_progressResolution->setValue(ReadIntegerSetting(m_store, sidProgressResolution));
    m_undoHistory->setValue(ReadIntegerSetting(m_store, sidUndoHistory));

    m_familyModel->removeRows(0, m_familyModel->rowCount());
    for (const TFamilyItem& family : ReadFamilyItems(m_store)) {
        auto* item = new QStandardItem(toDisplayText(family.Extensions));
        item->setCheckable(true);
        item->setEditable(true);
        item->setCheckState(family.InUse ? Qt::Checked : Qt::Unchecked);
        item->setData(QByteArray(family.Extensions.data(), static_cast<qsizetype>(family.Extensions.size())),
                      kOriginalBytesRole);
        m_familyModel->appendRow(item);
    }
    updateFamilyButtons();
}

void TSettingsWindow::updateFamilyButtons() {
    const bool selected = m_families->selectionModel()->hasSelection();
    m_newFamily->setEnabled(true);
    m_deleteFamilies->setEnabled(selected);
    m_uncheckFamilies->setEnabled(selected);
    m_checkFamilies->setEnabled(selected);
}

void TSettingsWindow::newFamily() {
    auto* item = new QStandardItem;
    item->setCheckable(true);
    item->setEditable(true);
    item->setCheckState(Qt::Unchecked);
    m_familyModel->appendRow(item);
    const QModelIndex index = item->index();
    m_families->setCurrentIndex(index);
    m_families->setFocus();
    m_families->edit(index);
    updateFamilyButtons();
}

void TSettingsWindow::deleteFamilies() {
    QModelIndexList rows = m_families->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() > b.row(); });
    for (const QModelIndex& index : rows)
        m_familyModel->removeRow(index.row());
    updateFamilyButtons();
}

void TSettingsWindow::setFamiliesChecked(bool checked) {
    for (const QModelIndex& index : m_families->selectionModel()->selectedRows())
        m_familyModel->setData(index, checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

void TSettingsWindow::accept() {
    // Enter reaches this button while a field still has the focus: take what the fields hold, as
    // leaving them would.
    if (QPushButton* ok = findChild<QPushButton*>(QStringLiteral("BtnOk")))
        ok->setFocus(Qt::OtherFocusReason);
    m_findReplaceRowCount->checkText();
    m_progressResolution->checkText();
    m_undoHistory->checkText();
    if (m_backupFileExtPrefix->text().isEmpty()) {
        MessageBox::show(this, MessageSeverity::Warning, kBackupPrefixMessage, QMessageBox::Ok);
        return;
    }
    saveValues();
    QDialog::accept();
}

void TSettingsWindow::saveValues() {
    const auto comboValue = [](const TWqComboBox& combo) {
        return TWqVariant(static_cast<std::int32_t>(ClampChoice(combo.ItemIndex(), static_cast<std::size_t>(combo.count()))));
    };
    TWqUpdateScope scope(m_store);
    m_store.WriteValue(sidCreateBackupFiles, m_createBackupFiles->isChecked());
    m_store.WriteValue(sidMarkNewFilesAsChecked, m_markNewFilesAsChecked->isChecked());
    m_store.WriteValue(sidShowStrLenPrefixWarning, m_strLenPrefixWarning->isChecked());
    m_store.WriteValue(sidLeaveUnchangedFiles, m_leaveUnchangedFiles->isChecked());
    const QByteArray original = m_backupFileExtPrefix->property("originalBytes").toByteArray();
    m_store.WriteValue(sidBackupFilePrefix,
                       toEditedBytes(m_backupFileExtPrefix->text(),
                                     std::string_view(original.constData(), static_cast<std::size_t>(original.size()))));
    m_store.WriteValue(sidProjectFileAddAction, comboValue(*m_projectFileAddAction));
    m_store.WriteValue(sidDfmFileStoreFormat, comboValue(*m_dfmStoreFormat));
    m_store.WriteValue(sidDefaultStrLenPrefix, comboValue(*m_strLenPrefix));
    m_store.WriteValue(sidOperationErrorAction, comboValue(*m_errorAction));
    if (ReadIntegerSetting(m_store, sidDefaultStrLenPrefix) != 0 && ReadBoolSetting(m_store, sidShowStrLenPrefixWarning) &&
        m_question)
        m_store.WriteValue(sidShowStrLenPrefixWarning, m_question->askYesNo(MessageSeverity::Warning, kStrLenPrefixWarningText));
    m_store.WriteValue(sidFindReplaceGridRowCount, m_findReplaceRowCount->value());
    m_store.WriteValue(sidProgressResolution, m_progressResolution->value());
    m_store.WriteValue(sidUndoHistory, m_undoHistory->value());

    std::vector<TFamilyItem> families;
    for (int row = 0; row < m_familyModel->rowCount(); ++row) {
        const QStandardItem* item = m_familyModel->item(row);
        const QByteArray bytes = item->data(kOriginalBytesRole).toByteArray();
        families.push_back({toEditedBytes(item->text(), std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))),
                            item->checkState() == Qt::Checked});
    }
    WriteFamilyItems(m_store, families);
    scope.commit();

    if (m_grid)
        m_grid->setDefinitionRowCount(ReadIntegerSetting(m_store, sidFindReplaceGridRowCount));
}

} // namespace swapwright::gui
