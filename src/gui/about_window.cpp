#include "gui/about_window.h"

#include "gui/icons.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace swapwright::gui {

QString TAboutWindow::aboutText() {
    return QStringLiteral(
        "<p><b>Wq - Swapwright</b> replaces many strings in many files in one run.</p>"
        "<p>The file list holds the files to work on, each with its check box and the kind of string "
        "length prefix its strings carry. The grid holds the find/replace definitions: what to find, what to "
        "put in its place, and whether a definition is used, case-sensitive or for whole words only. "
        "<i>Execute Replacements</i> runs every used definition over every checked file, byte for byte; "
        "form files are converted to text and back, backups are kept on request, and the report lists "
        "what was replaced in which file.</p>"
        "<p>Everything you set up lives in one definition file (<tt>*.swd</tt>), which you can save, load and "
        "give on the command line. The same runs can be made headless with <tt>swapwright-cli</tt>.</p>"
        "<p>The user guide opens from <i>Information</i> &rarr; <i>Wq-Software Web Site ...</i>.</p>");
}

TAboutWindow::TAboutWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Information About the Wq - Swapwright"));
    setAccessibleName(windowTitle());
    setObjectName(QStringLiteral("AboutWindow"));
    setModal(false);
    resize(440, 340);

    auto* layout = new QVBoxLayout(this);
    auto* head = new QHBoxLayout;
    auto* picture = new QLabel(this);
    picture->setPixmap(icons::icon(icons::AppIcon).pixmap(48, 48));
    picture->setFixedSize(56, 56);
    picture->setAlignment(Qt::AlignCenter);
    auto* name = new QLabel(this);
    name->setObjectName(QStringLiteral("LabelVersion"));
    name->setText(QStringLiteral("<b>Wq - Swapwright</b><br>Version %1").arg(QApplication::applicationVersion()));
    name->setTextInteractionFlags(Qt::TextSelectableByMouse);
    head->addWidget(picture);
    head->addWidget(name, 1);
    layout->addLayout(head);

    auto* text = new QTextBrowser(this);
    text->setObjectName(QStringLiteral("MemoAboutText"));
    text->setAccessibleName(QStringLiteral("About Text"));
    text->setHtml(aboutText());
    text->setOpenLinks(false);
    layout->addWidget(text, 1);

    auto* close = new QPushButton(QStringLiteral("C&lose"), this);
    close->setObjectName(QStringLiteral("BtnClose"));
    close->setIcon(icons::icon(icons::BtnOk));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(close);
    layout->addLayout(bottom);
}

} // namespace swapwright::gui
