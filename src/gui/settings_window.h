#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QStandardItemModel;
class QToolButton;

namespace swapwright {
class IQuestion;
class TFindReplaceGridModel;
class TWqPersistentData;
} // namespace swapwright

// "Application Settings": the settings but the grid's height and the file extension families. It shows
// what the store holds (choices clamped into their lists) and writes everything back on OK; the
// grid gets the new row count at once. Its position and size are kept under "Settings Dialog".
namespace swapwright::gui {

class TWqComboBox;
class TWqIntegerEdit;
class TWqListView;

class TSettingsWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 335;
    // The designed height and the room of the undo history and the untouched files.
    static constexpr int kHeight = 481 + 48;
    static constexpr int kMinWidth = 335;
    static constexpr int kMinHeight = 480 + 48;
    static constexpr int kMaxUndoHistory = 100;
    static constexpr int kFamilyColumnWidth = 245;

    // The grid (may be null) takes the new row count on OK; the question asks the prefix warning
    // (none: it is not asked and setting 8 stays as the check box says).
    TSettingsWindow(TWqPersistentData& store, TFindReplaceGridModel* grid, IQuestion* question,
                    QWidget* parent = nullptr);
    ~TSettingsWindow() override;

    // OK: refused with a message while the backup prefix is empty; otherwise saves and closes.
    void accept() override;

    // The family buttons.
    void newFamily();
    void deleteFamilies();
    void setFamiliesChecked(bool checked);

private:
    void buildControls();
    void loadValues();
    void saveValues();
    void updateFamilyButtons();

    TWqPersistentData& m_store;
    TFindReplaceGridModel* m_grid;
    IQuestion* m_question;

    QCheckBox* m_markNewFilesAsChecked = nullptr;
    QCheckBox* m_strLenPrefixWarning = nullptr;
    QCheckBox* m_leaveUnchangedFiles = nullptr;
    QCheckBox* m_createBackupFiles = nullptr;
    QLineEdit* m_backupFileExtPrefix = nullptr;
    TWqComboBox* m_projectFileAddAction = nullptr;
    TWqComboBox* m_dfmStoreFormat = nullptr;
    TWqComboBox* m_strLenPrefix = nullptr;
    TWqComboBox* m_errorAction = nullptr;
    TWqIntegerEdit* m_findReplaceRowCount = nullptr;
    TWqIntegerEdit* m_progressResolution = nullptr;
    TWqIntegerEdit* m_undoHistory = nullptr;
    TWqListView* m_families = nullptr;
    QStandardItemModel* m_familyModel = nullptr;
    QToolButton* m_newFamily = nullptr;
    QToolButton* m_deleteFamilies = nullptr;
    QToolButton* m_uncheckFamilies = nullptr;
    QToolButton* m_checkFamilies = nullptr;
};

} // namespace swapwright::gui
