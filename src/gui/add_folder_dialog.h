#pragma once

#include "core/filelist/add_files.h"
#include "core/filelist/folder_walk.h"

#include <QDialog>
#include <QElapsedTimer>

#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// "Add Folder": the folder to add and the masks and switches it is walked with, and the small
// window that shows how the adding of a folder goes.
namespace swapwright::gui {

class TAddFolderDialog final : public QDialog {
    Q_OBJECT
public:
    // Shows the options and the folder (file system bytes; may be empty).
    TAddFolderDialog(const TFolderWalkOptions& options, const std::string& folder, QWidget* parent = nullptr);

    // What the dialog shows now: the options (the backup prefix passed through) and the folder.
    TFolderWalkOptions options() const;
    std::string folder() const;

    // OK: only with a folder that exists and include masks that name something; otherwise a
    // message says what is wrong and the dialog stays open.
    void accept() override;

private:
    void browse();

    TFolderWalkOptions m_original;
    QLineEdit* m_folder;
    QPushButton* m_browse;
    QLineEdit* m_include;
    QLineEdit* m_exclude;
    QCheckBox* m_useIgnoreFiles;
    QCheckBox* m_followLinks;
};

// The progress of adding folders: files found while a folder is walked, files added while they
// go into the list, and Cancel (the button, Esc, the close box). The window shows only once the
// work has lasted a moment, modal, so nothing else changes the list meanwhile; every report lets
// the program serve its events.
class TAddFolderProgressDialog final : public QDialog, public IAddFolderProgress {
    Q_OBJECT
public:
    static constexpr int kShowDelay = 300; // milliseconds

    explicit TAddFolderProgressDialog(QWidget* parent = nullptr, int showDelay = kShowDelay);
    ~TAddFolderProgressDialog() override;

    bool addFolderProgress(std::string_view folder, std::size_t filesFound, std::size_t entriesAdded) override;

    void cancel() noexcept { m_canceled = true; }
    bool canceled() const noexcept { return m_canceled; }
    // Files found and added as the last report told them.
    std::size_t filesFound() const noexcept { return m_found; }
    std::size_t entriesAdded() const noexcept { return m_added; }

    void reject() override; // Esc and the close box cancel; the window stays until the work returns

private:
    QElapsedTimer m_started;
    int m_showDelay;
    bool m_canceled = false;
    bool m_cursorSet = false;
    std::size_t m_found = 0;
    std::size_t m_added = 0;
    QLabel* m_folder;
    QLabel* m_foundText;
    QLabel* m_addedText;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
};

} // namespace swapwright::gui
