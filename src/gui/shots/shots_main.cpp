// swapwright-shots: shows one of the program's windows with realistic content and saves its picture.
//   swapwright-shots --list          the scenes, one per line: name, TAB, description
//   swapwright-shots NAME FILE.png   the picture of one scene
// tools/screenshots runs it under Xvfb for every scene.
#include "gui/exception_handler.h"
#include "gui/icons.h"
#include "gui/shots/scenes.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>
#include <QWindow>

#include <cstdio>

using namespace swapwright::gui;

namespace {

void waitFor(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

int shoot(const shots::Scene& scene, const QString& file) {
    std::unique_ptr<QWidget> window = scene.make();
    if (scene.shoot)
        return scene.shoot(*window, file);
    window->show();
    QElapsedTimer timer;
    timer.start();
    while (!(window->windowHandle() && window->windowHandle()->isExposed()) && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    waitFor(400); // let the window paint what it laid out
    QPixmap picture;
    if (QScreen* screen = window->screen(); screen && QGuiApplication::platformName() == QLatin1String("xcb"))
        picture = screen->grabWindow(window->winId());
    if (picture.isNull())
        picture = window->grab();
    if (!picture.save(file, "PNG")) {
        std::fprintf(stderr, "swapwright-shots: cannot write %s\n", qPrintable(file));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    TWqApplication application(argc, argv);
    TWqApplication::setApplicationName(QStringLiteral("swapwright"));
    TWqApplication::setWindowIcon(icons::icon(icons::AppIcon));
    const QStringList args = TWqApplication::arguments();
    if (args.size() == 2 && args[1] == QLatin1String("--list")) {
        QTextStream out(stdout);
        for (const shots::Scene& scene : shots::scenes())
            out << scene.name << '\t' << scene.description << '\n';
        return 0;
    }
    if (args.size() == 3) {
        for (const shots::Scene& scene : shots::scenes())
            if (args[1] == QLatin1String(scene.name))
                return shoot(scene, args[2]);
        std::fprintf(stderr, "swapwright-shots: no scene %s (--list shows them)\n", qPrintable(args[1]));
        return 2;
    }
    std::fprintf(stderr, "usage: swapwright-shots --list | swapwright-shots NAME FILE.png\n");
    return 2;
}
