#include "gui/file_dialogs.h"


#include <QFile>
#include <QFileInfo>

namespace swapwright::gui {

namespace {

std::optional<std::vector<std::string>> gNextAnswer;
std::optional<FileDialogRecord> gLastDialog;

// "All Files" lists every file: on this platform many names have no dot.
const QString kAllFiles = QStringLiteral("All Files (*)");

} // namespace

std::unique_ptr<QFileDialog> createFileDialog(FileDialogKind kind, QWidget* parent, const std::string& preset) {
    auto dialog = std::make_unique<QFileDialog>(parent);
    dialog->setOption(QFileDialog::DontUseNativeDialog, false);
    switch (kind) {
    case FileDialogKind::SaveDefinitions:
        dialog->setWindowTitle(QStringLiteral("Save Swapdef to File"));
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setNameFilters({QStringLiteral("Swapdef Files (*.swd)"), kAllFiles});
        dialog->setDefaultSuffix(QStringLiteral("swd"));
        dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
        break;
    case FileDialogKind::LoadDefinitions:
        dialog->setWindowTitle(QStringLiteral("Load Swapdef from File"));
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFile);
        dialog->setNameFilters({QStringLiteral("Swapdef Files (*.swd)"), kAllFiles});
        dialog->setDefaultSuffix(QStringLiteral("swd"));
        break;
    case FileDialogKind::AddFiles:
        dialog->setWindowTitle(QStringLiteral("Add Files to be processed"));
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFiles);
        dialog->setNameFilters(
            {QStringLiteral("Textual Files (*.pas *.dfm *.txt *.cpp *.h *.hpp *.sql *.inl *.inc *.int)"), kAllFiles});
        break;
    }
    dialog->setSizeGripEnabled(true);
    if (!preset.empty()) {
        const QString name = QFile::decodeName(QByteArray(preset.data(), static_cast<qsizetype>(preset.size())));
        const QFileInfo info(name);
        dialog->setDirectory(info.absolutePath());
        dialog->selectFile(info.fileName());
    }
    return dialog;
}

std::vector<std::string> chooseFiles(FileDialogKind kind, QWidget* parent, const std::string& preset) {
    auto dialog = createFileDialog(kind, parent, preset);
    gLastDialog = FileDialogRecord{kind,
                                   dialog->windowTitle(),
                                   dialog->nameFilters(),
                                   dialog->defaultSuffix(),
                                   dialog->fileMode(),
                                   dialog->acceptMode(),
                                   !dialog->testOption(QFileDialog::DontConfirmOverwrite),
                                   dialog->selectedFiles()};
    if (gNextAnswer) {
        std::vector<std::string> names = std::move(*gNextAnswer);
        gNextAnswer.reset();
        return names;
    }
    std::vector<std::string> names;
    if (dialog->exec() != QDialog::Accepted)
        return names;
    for (const QString& file : dialog->selectedFiles()) {
        const QByteArray bytes = QFile::encodeName(file);
        if (!bytes.isEmpty())
            names.emplace_back(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    return names;
}

void setNextFileDialogAnswer(std::vector<std::string> names) { gNextAnswer = std::move(names); }

std::optional<FileDialogRecord> lastFileDialog() { return gLastDialog; }

} // namespace swapwright::gui
