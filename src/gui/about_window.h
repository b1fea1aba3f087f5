#pragma once

#include <QDialog>

// "Information About the Wq - Swapwright": the program's name, version and about text. Not modal;
// the main window makes it on first use and shows it again later.
namespace swapwright::gui {

class TAboutWindow : public QDialog {
    Q_OBJECT
public:
    explicit TAboutWindow(QWidget* parent = nullptr);

    // The about text (rich text) shown in the window.
    static QString aboutText();
};

} // namespace swapwright::gui
