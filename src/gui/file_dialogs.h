#pragma once

#include <QFileDialog>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>
#include <vector>

// The main window's three file dialogs: saving and loading a definition file and adding files.
// Names come back as the file system's bytes. Tests answer a dialog in advance instead of showing it.
namespace swapwright::gui {

enum class FileDialogKind { SaveDefinitions, LoadDefinitions, AddFiles };

// The dialog as it is shown (title, filters, mode), preset with a file name (bytes; may be empty).
std::unique_ptr<QFileDialog> createFileDialog(FileDialogKind kind, QWidget* parent, const std::string& preset = {});

// Shows the dialog and returns the chosen names in the dialog's order; empty when cancelled.
std::vector<std::string> chooseFiles(FileDialogKind kind, QWidget* parent, const std::string& preset = {});

// Test seam: the next chooseFiles returns these names at once (none: as if cancelled), without
// showing a window; the dialog it would have shown is kept for lastFileDialog().
void setNextFileDialogAnswer(std::vector<std::string> names);
struct FileDialogRecord {
    FileDialogKind kind;
    QString title;
    QStringList filters;
    QString defaultSuffix;
    QFileDialog::FileMode fileMode;
    QFileDialog::AcceptMode acceptMode;
    bool confirmOverwrite;
    QStringList presetFiles;
};
std::optional<FileDialogRecord> lastFileDialog();

} // namespace swapwright::gui
