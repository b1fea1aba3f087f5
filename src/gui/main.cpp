// swapwright: the program with its window. For now it brings up the application (title, icon, the
// handler for unhandled exceptions) and a window that says what is there; runs are made with
// swapwright-cli until the main window exists.
#include "gui/exception_handler.h"
#include "gui/icons.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv) {
    using namespace swapwright::gui;
    TWqApplication application(argc, argv);
    TWqApplication::setApplicationName(QStringLiteral("swapwright"));
    TWqApplication::setApplicationDisplayName(QStringLiteral("Wq - Textwright"));
    TWqApplication::setApplicationVersion(QStringLiteral(SWAPWRIGHT_VERSION));
    TWqApplication::setWindowIcon(icons::icon(icons::AppIcon));
    TWqExceptionHandlerObj exceptionHandler(application);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Wq - Swapwright"));
    window.setAccessibleName(window.windowTitle());
    auto* layout = new QVBoxLayout(&window);
    auto* text = new QLabel(QStringLiteral("The main window of Wq - Swapwright is not built yet.\n"
                                           "Runs are made with swapwright-cli for now (swapwright-cli --help)."),
                            &window);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(text);
    window.show();
    return TWqApplication::exec();
}
