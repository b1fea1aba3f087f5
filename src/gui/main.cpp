// swapwright: the program with its window. The command line holds file names: the first definition
// file (*.swd) becomes the settings file in use, the others are added to the file list.
#include "core/session/undo_journal.h"
#include "core/settings/app_store.h"
#include "gui/desktop_registration.h"
#include "gui/exception_handler.h"
#include "gui/icons.h"
#include "gui/main_window.h"

#include <QFile>

#include <cstdlib>

int main(int argc, char** argv) {
    using namespace swapwright;
    using namespace swapwright::gui;
    TWqApplication application(argc, argv);
    TWqApplication::setApplicationName(QStringLiteral("swapwright"));
    TWqApplication::setApplicationDisplayName(QStringLiteral("Wq - Textwright"));
    TWqApplication::setApplicationVersion(QStringLiteral(SWAPWRIGHT_VERSION));
    TWqApplication::setDesktopFileName(QStringLiteral("swapwright"));
    TWqApplication::setWindowIcon(icons::icon(icons::AppIcon));
    // The program ends when its main window closes, whatever other window is open.
    TWqApplication::setQuitOnLastWindowClosed(false);
    TWqExceptionHandlerObj exceptionHandler(application);

    // Qt has taken its own options out of argv; the rest are file names, kept as their bytes.
    TMainWindow::Options options;
    options.StoreFileName = DefaultSettingsFileName(ProgramDirectory(), std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    for (int i = 1; i < argc; ++i)
        options.Arguments.emplace_back(argv[i]);
    const QByteArray program = QFile::encodeName(TWqApplication::applicationFilePath());
    options.ProgramPath.assign(program.constData(), static_cast<std::size_t>(program.size()));
    options.DataHome = DataHome(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    options.UndoFolder = DefaultUndoFolder(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));

    int status = 0;
    {
        TMainWindow window(std::move(options));
        exceptionHandler.setStore(&window.session().store());
        QObject::connect(&window, &TMainWindow::closed, &application, &QCoreApplication::quit, Qt::QueuedConnection);
        window.show();
        status = TWqApplication::exec();
        exceptionHandler.setStore(nullptr); // the store goes with the window
    }
    return status;
}
