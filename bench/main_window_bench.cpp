// swapwright_bench_main_window: times the main window the way a user meets it.
//   swapwright_bench_main_window startup DEFINITION.swd   the window on a definition file: first paint, and
//                                                 the first paint with the stored state loaded
//   swapwright_bench_main_window drop FOLDER              every file of the folder dropped onto the list:
//                                                 until all are listed and painted
//   swapwright_bench_main_window run DEFINITION.swd       the run action: until the run has returned
//   swapwright_bench_main_window folder FOLDER            the folder itself dropped onto the list (walked with
//                                                 the default masks): until it is listed, and how often
//                                                 a 10 ms timer ticked and the window painted meanwhile
//   swapwright_bench_main_window preview DEFINITION.swd   the preview action: until the preview has
//                                                 returned, until its window has painted its lists, and
//                                                 the longest time the event loop was not served
// Times go to standard output in milliseconds, one "name<TAB>value" a line; the process then ends
// at once (nothing is saved). bench/main-window-bench.sh prepares the inputs and runs it.
#include "gui/controls/wq_list_view.h"
#include "gui/exception_handler.h"
#include "gui/main_window.h"
#include "gui/preview_window.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

using namespace swapwright::gui;

namespace {

// Milliseconds since the process was started by the system (its start time in /proc).
double msSinceProcessStart() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
    }
    const double startSeconds = std::stod(field) / static_cast<double>(::sysconf(_SC_CLK_TCK));
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return (static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9 - startSeconds) * 1000.0;
}

void report(const char* name, double ms) {
    std::printf("%s\t%.1f\n", name, ms);
    std::fflush(stdout);
}

// Calls back on every paint of the watched widget.
class PaintWatch : public QObject {
public:
    std::function<void()> onPaint;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && onPaint)
            onPaint();
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    TWqApplication application(argc, argv);
    const QStringList args = TWqApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: swapwright_bench_main_window startup|run|preview DEFINITION.swd | drop|folder FOLDER\n");
        return 2;
    }
    const QString mode = args[1];
    QTemporaryDir scratch;
    TMainWindow::Options options;
    const bool scratchStore = mode == QLatin1String("drop") || mode == QLatin1String("folder");
    options.StoreFileName = scratchStore ? QDir(scratch.path()).filePath(QStringLiteral("s.swd")).toStdString()
                                                          : args[2].toStdString();
    TMainWindow window(std::move(options));
    PaintWatch watch;
    window.fileList()->viewport()->installEventFilter(&watch);

    bool firstPaint = false;
    QTimer poll;
    if (mode == QLatin1String("startup")) {
        watch.onPaint = [&] {
            if (!firstPaint) {
                firstPaint = true;
                report("first_paint_ms", static_cast<double>(clock.elapsed()));
            }
            if (window.started() && window.session().fileList().entryCount() > 0) {
                report("loaded_paint_ms", static_cast<double>(clock.elapsed()));
                report("loaded_paint_since_exec_ms", msSinceProcessStart());
                report("files", window.session().fileList().entryCount());
                report("definitions_rows", window.session().grid().definitionRowCount());
                std::fflush(stdout);
                std::_Exit(0);
            }
        };
    } else if (mode == QLatin1String("drop")) {
        static QMimeData mime;
        QList<QUrl> urls;
        const QDir folder(args[2]);
        for (const QString& name : folder.entryList(QDir::Files, QDir::Name))
            urls << QUrl::fromLocalFile(folder.filePath(name));
        mime.setUrls(urls);
        static QElapsedTimer dropClock;
        QTimer::singleShot(200, [&] {
            QWidget* target = window.fileList()->viewport();
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
            QCoreApplication::sendEvent(target, &enter);
            dropClock.start();
            QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
            QCoreApplication::sendEvent(target, &drop);
        });
        watch.onPaint = [&] {
            if (dropClock.isValid() && window.session().fileList().entryCount() == urls.size()) {
                report("drop_listed_and_painted_ms", static_cast<double>(dropClock.elapsed()));
                report("files", window.session().fileList().entryCount());
                std::_Exit(0);
            }
        };
    } else if (mode == QLatin1String("folder")) {
        static QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(QDir(args[2]).absolutePath())});
        static QElapsedTimer addClock;
        static int ticks = 0, paints = 0;
        static qint64 lastTick = 0, longestGap = 0;
        static bool seenAdding = false;
        QTimer::singleShot(200, [&] {
            QWidget* target = window.fileList()->viewport();
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
            QCoreApplication::sendEvent(target, &enter);
            addClock.start();
            QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
            QCoreApplication::sendEvent(target, &drop);
        });
        // Every widget's paint counts: the progress window paints too while the list is filled.
        static PaintWatch anyPaint;
        anyPaint.onPaint = [] {
            if (seenAdding)
                ++paints;
        };
        application.installEventFilter(&anyPaint);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!addClock.isValid())
                return;
            if (window.adding()) {
                if (seenAdding) {
                    ++ticks;
                    longestGap = std::max(longestGap, addClock.elapsed() - lastTick);
                }
                seenAdding = true;
                lastTick = addClock.elapsed();
                return;
            }
            if (!seenAdding)
                return;
            report("folder_listed_ms", static_cast<double>(addClock.elapsed()));
            report("files", window.session().fileList().entryCount());
            report("timer_ticks_during_add", ticks);
            report("longest_tick_gap_ms", static_cast<double>(longestGap));
            report("paints_during_add", paints);
            std::_Exit(0);
        });
        poll.start(10);
    } else if (mode == QLatin1String("run")) {
        static QElapsedTimer runClock;
        QObject::connect(&window, &TMainWindow::runFinished, [&] {
            report("run_ms", static_cast<double>(runClock.elapsed()));
            report("since_exec_ms", msSinceProcessStart());
            std::_Exit(0);
        });
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!window.started())
                return;
            poll.stop();
            window.updateActions();
            QAction* run = window.action("ActionExecuteReplacements");
            if (!run->isEnabled()) {
                std::fprintf(stderr, "swapwright_bench_main_window: nothing to run\n");
                std::_Exit(1);
            }
            runClock.start();
            run->trigger();
        });
        poll.start(5);
    } else if (mode == QLatin1String("preview")) {
        static QElapsedTimer previewClock, tickClock;
        static qint64 longestGap = 0;
        static QTimer ticks;
        static PaintWatch previewPaint;
        // A timer that wants to fire every millisecond: the longest gap between two of its ticks is
        // the longest time the window did not answer.
        QObject::connect(&ticks, &QTimer::timeout, [] {
            longestGap = std::max(longestGap, tickClock.restart());
        });
        QObject::connect(&window, &TMainWindow::runFinished, [&] {
            report("preview_ms", static_cast<double>(previewClock.elapsed()));
            TPreviewWindow* preview = window.previewWindow();
            if (!preview)
                std::_Exit(1);
            report("files", static_cast<double>(preview->files().size()));
            previewPaint.onPaint = [&window] {
                report("preview_painted_ms", static_cast<double>(previewClock.elapsed()));
                // The last file's changes, selected and painted.
                TPreviewWindow* shown = window.previewWindow();
                QElapsedTimer select;
                select.start();
                shown->selectFile(static_cast<int>(shown->files().size()) - 1);
                shown->changeView()->viewport()->repaint();
                report("select_last_file_ms", static_cast<double>(select.elapsed()));
                report("longest_unanswered_ms", static_cast<double>(longestGap));
                std::_Exit(0);
            };
            preview->fileView()->viewport()->installEventFilter(&previewPaint);
        });
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!window.started())
                return;
            poll.stop();
            window.updateActions();
            QAction* action = window.action("ActionPreviewReplacements");
            if (!action->isEnabled()) {
                std::fprintf(stderr, "swapwright_bench_main_window: nothing to preview\n");
                std::_Exit(1);
            }
            previewClock.start();
            tickClock.start();
            ticks.start(1);
            action->trigger();
        });
        poll.start(5);
    } else {
        std::fprintf(stderr, "swapwright_bench_main_window: unknown mode\n");
        return 2;
    }
    window.show();
    return TWqApplication::exec();
}
