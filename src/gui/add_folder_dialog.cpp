#include "gui/add_folder_dialog.h"

#include "core/base/files.h"
#include "core/base/host.h"
#include "core/filelist/file_masks.h"
#include "gui/exception_handler.h"
#include "gui/message_box.h"
#include "gui/text_convert.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace swapwright::gui {

namespace {

QString fromFileName(const std::string& name) {
    return QFile::decodeName(QByteArray(name.data(), static_cast<qsizetype>(name.size())));
}

std::string toFileName(const QString& name) {
    const QByteArray bytes = QFile::encodeName(name);
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

QLineEdit* lineEdit(QWidget* parent, const char* objectName, const QString& accessibleName, const QString& text) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QLatin1String(objectName));
    edit->setAccessibleName(accessibleName);
    return edit;
}

QCheckBox* checkBox(QWidget* parent, const char* objectName, const QString& caption, bool checked) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(objectName));
    box->setAccessibleName(caption);
    box->setChecked(checked);
    return box;
}

QLabel* label(QWidget* parent, const char* objectName, const QString& text, QWidget* buddy = nullptr) {
    auto* shown = new QLabel(text, parent);
    shown->setObjectName(QLatin1String(objectName));
    if (buddy)
        shown->setBuddy(buddy);
    return shown;
}

} // namespace

TAddFolderDialog::TAddFolderDialog(const TFolderWalkOptions& options, const std::string& folder, QWidget* parent)
    : QDialog(parent), m_original(options),
      m_folder(lineEdit(this, "EditFolder", QStringLiteral("Folder"), fromFileName(folder))),
      m_browse(new QPushButton(QStringLiteral("&Browse ..."), this)),
      m_include(lineEdit(this, "EditIncludeMasks", QStringLiteral("Include Masks"), toDisplayText(options.IncludeMasks))),
      m_exclude(lineEdit(this, "EditExcludeMasks", QStringLiteral("Exclude Masks"), toDisplayText(options.ExcludeMasks))),
      m_useIgnoreFiles(checkBox(this, "CheckUseIgnoreFiles", QStringLiteral("Use .gitignore files"), options.UseIgnoreFiles)),
      m_followLinks(checkBox(this, "CheckFollowLinks", QStringLiteral("Follow symbolic links"), options.FollowLinks)) {
    setObjectName(QStringLiteral("AddFolderDialog"));
    setWindowTitle(QStringLiteral("Add Folder"));
    setAccessibleName(windowTitle());
    setSizeGripEnabled(true);

    m_browse->setObjectName(QStringLiteral("BtnBrowse"));
    m_browse->setAccessibleName(QStringLiteral("Browse"));
    m_browse->setAutoDefault(false);
    connect(m_browse, &QPushButton::clicked, this, guardedSlot([this] { browse(); }));
    m_include->setToolTip(QStringLiteral("Files whose names match one of these masks are added (e.g. *.pas;*.dfm)"));
    m_exclude->setToolTip(QStringLiteral("Files and folders whose names match one of these masks are left out"));
    m_exclude->setPlaceholderText(QStringLiteral("e.g. Test*;*.inc"));

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folder, 1);
    folderRow->addWidget(m_browse);
    auto* form = new QFormLayout;
    form->addRow(label(this, "LabelFolder", QStringLiteral("&Folder:"), m_folder), folderRow);
    form->addRow(label(this, "LabelIncludeMasks", QStringLiteral("&Include Masks:"), m_include), m_include);
    form->addRow(label(this, "LabelExcludeMasks", QStringLiteral("&Exclude Masks:"), m_exclude), m_exclude);
    form->addRow(QString(), m_useIgnoreFiles);
    form->addRow(QString(), m_followLinks);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("ButtonBox"));
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("BtnOk"));
    ok->setAccessibleName(QStringLiteral("OK"));
    QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("BtnCancel"));
    cancel->setAccessibleName(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addStretch(1);
    column->addWidget(buttons);
    resize(480, sizeHint().height());
    m_folder->setFocus(Qt::OtherFocusReason);
}

TFolderWalkOptions TAddFolderDialog::options() const {
    TFolderWalkOptions options = m_original;
    options.IncludeMasks = toEditedBytes(m_include->text().trimmed(), m_original.IncludeMasks);
    options.ExcludeMasks = toEditedBytes(m_exclude->text().trimmed(), m_original.ExcludeMasks);
    options.UseIgnoreFiles = m_useIgnoreFiles->isChecked();
    options.FollowLinks = m_followLinks->isChecked();
    return options;
}

std::string TAddFolderDialog::folder() const { return toFileName(m_folder->text().trimmed()); }

void TAddFolderDialog::accept() {
    const std::string name = folder();
    QLineEdit* wrong = nullptr;
    QString message;
    if (name.empty()) {
        wrong = m_folder;
        message = QStringLiteral("Please enter the folder whose files are to be added.");
    } else if (!files::directoryExists(name)) {
        wrong = m_folder;
        message = QStringLiteral("The folder \"%1\" does not exist.").arg(m_folder->text().trimmed());
    } else if (TFileMasks(options().IncludeMasks).empty()) {
        wrong = m_include;
        message = QStringLiteral("No file would be added: please enter at least one include mask (e.g. *.pas).");
    }
    if (wrong) {
        MessageBox::show(this, MessageSeverity::Error, message);
        wrong->setFocus(Qt::OtherFocusReason);
        wrong->selectAll();
        return;
    }
    QDialog::accept();
}

void TAddFolderDialog::browse() {
    const QString chosen =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Add Folder"), m_folder->text().trimmed());
    if (!chosen.isEmpty())
        m_folder->setText(chosen);
}

// --- progress ---

TAddFolderProgressDialog::TAddFolderProgressDialog(QWidget* parent, int showDelay)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_showDelay(showDelay), m_folder(label(this, "LabelFolder", QString())),
      m_foundText(label(this, "LabelFilesFound", QString())), m_addedText(label(this, "LabelFilesAdded", QString())),
      m_bar(new QProgressBar(this)), m_cancel(new QPushButton(QStringLiteral("&Cancel"), this)) {
    setObjectName(QStringLiteral("AddFolderProgress"));
    setWindowTitle(QStringLiteral("Adding Folder ..."));
    setAccessibleName(windowTitle());
    // Modal while shown: no other window of the program takes input until the folder is in.
    setWindowModality(Qt::ApplicationModal);

    m_folder->setTextFormat(Qt::PlainText);
    m_folder->setAccessibleName(QStringLiteral("Folder"));
    m_folder->setMinimumWidth(360);
    m_foundText->setAccessibleName(QStringLiteral("Files found"));
    m_addedText->setAccessibleName(QStringLiteral("Files added"));
    m_bar->setObjectName(QStringLiteral("ProgressBarAdded"));
    m_bar->setAccessibleName(QStringLiteral("Files added"));
    m_bar->setTextVisible(false);
    m_bar->setRange(0, 0); // busy until the walk has found every file
    m_cancel->setObjectName(QStringLiteral("BtnCancel"));
    m_cancel->setAccessibleName(QStringLiteral("Cancel"));
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, [this] { reject(); });

    auto* column = new QVBoxLayout(this);
    column->addWidget(m_folder);
    column->addWidget(m_foundText);
    column->addWidget(m_addedText);
    column->addWidget(m_bar);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_cancel);
    column->addLayout(buttonRow);
    m_started.start();
}

TAddFolderProgressDialog::~TAddFolderProgressDialog() {
    if (m_cursorSet)
        QApplication::restoreOverrideCursor();
}

bool TAddFolderProgressDialog::addFolderProgress(std::string_view folder, std::size_t filesFound,
                                                 std::size_t entriesAdded) {
    m_found = filesFound;
    m_added = entriesAdded;
    if (!m_canceled) {
        const QString shownFolder = toDisplayText(folder);
        if (m_folder->toolTip() != shownFolder) {
            m_folder->setToolTip(shownFolder);
            m_folder->setText(m_folder->fontMetrics().elidedText(shownFolder, Qt::ElideMiddle,
                                                                std::max(m_folder->width(), m_folder->minimumWidth())));
        }
        m_foundText->setText(QStringLiteral("Files found: %1").arg(filesFound));
        m_addedText->setText(QStringLiteral("Files added: %1").arg(entriesAdded));
        // The walk reports nothing added; the adding reports every file found.
        if (entriesAdded > 0 || m_bar->maximum() > 0) {
            const int maximum = static_cast<int>(std::min<std::size_t>(filesFound, INT_MAX));
            m_bar->setRange(0, std::max(1, maximum));
            m_bar->setValue(static_cast<int>(std::min<std::size_t>(entriesAdded, static_cast<std::size_t>(maximum))));
        }
    }
    if (!isVisible() && !m_canceled && m_started.elapsed() >= m_showDelay) {
        show();
        // The cancel button takes the arrow, not the wait cursor of the work.
        QApplication::setOverrideCursor(Qt::BusyCursor);
        m_cursorSet = true;
    }
    processEventsGuarded();
    return !m_canceled;
}

void TAddFolderProgressDialog::reject() {
    m_canceled = true;
    m_cancel->setEnabled(false);
    m_addedText->setText(QStringLiteral("Cancelling ..."));
}

} // namespace swapwright::gui
