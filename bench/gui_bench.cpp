// swapwright_bench_gui: what the windows of a run cost, timed on the offscreen platform.
//
//   swapwright_bench_gui report [LINES [BATCH [REPEATS]]]
//       LINES report lines (default 100000) into the report window, BATCH lines between two turns
//       of the event loop (default: all at once), until the window has shown and painted them all.
//   swapwright_bench_gui run FILE DEFS.tsv [REPEATS] [--sync]
//       The run over a copy of FILE with the definitions of DEFS.tsv, alternately through the
//       progress and report windows (events served at every yield) and with a progress state that
//       draws nothing, no yield and a report document without a window: the same RunOperation
//       with the same settings (backups off, no flush before the rename unless --sync).
//
//   swapwright_bench_gui windows-cost [REPEATS [YIELDS]]
//       What the windows do in such a run without the run itself: made, shown, 100 steps, YIELDS
//       yields (default 20, a run of 200 ms), the report's lines, destroyed.
//
// Without arguments: report. Prints every repetition and the medians. The platform is offscreen
// unless QT_QPA_PLATFORM says otherwise.
#include "cli/defs_file.h"
#include "core/base/file_replace.h"
#include "core/engine/operation_report.h"
#include "core/engine/replacement_run.h"
#include "gui/exception_handler.h"
#include "gui/progress_form.h"
#include "gui/qt_date_time_formatter.h"
#include "gui/report_dialog.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTest>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace swapwright;
using namespace swapwright::gui;

namespace {

class BenchSettings final : public IRunSettings {
public:
    bool createBackupFiles() const override { return false; }
    std::string backupFilePrefix() const override { return "_"; }
    TFormStoreFormat formFileStoreFormat() const override { return TFormStoreFormat::AsBefore; }
    int progressResolution() const override { return 100; }
    TOperationErrorAction operationErrorAction() const override { return TOperationErrorAction::Continue; }
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double minimum(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

int benchReport(int lines, int batch, int repeats) {
    // A run's lines: a file line and its replacement lines, now and then an error, all four looks.
    std::vector<std::pair<std::string, TReportLook>> sample = {
        {"Processing File: /home/anna/projects/billing/src/forms/CustomerMaintenance.pas", kLookPlain},
        {"   Count: 3, \tTCustomerForm -> TClientForm", kLookFileDetail},
        {"   Count: 12, \tCustomer -> Client", kLookFileDetail},
        {"   Cannot open file \"/home/anna/projects/billing/src/Reports.dfm\": Permission denied", kLookError},
        {"======================================", kLookHeading},
    };
    std::vector<double> totals, cpus, adds;
    for (int r = 0; r < repeats; ++r) {
        TWqReportDlg dialog;
        dialog.resize(800, 600);
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog))
            std::fprintf(stderr, "the window was not exposed\n");
        TReportDocument& document = dialog.document();
        QElapsedTimer timer;
        timer.start();
        const std::clock_t cpuStart = std::clock();
        double adding = 0;
        for (int i = 0; i < lines;) {
            QElapsedTimer add;
            add.start();
            for (int n = 0; n < batch && i < lines; ++n, ++i) {
                const auto& [text, look] = sample[static_cast<std::size_t>(i) % sample.size()];
                document.addLine(text, look);
            }
            adding += static_cast<double>(add.nsecsElapsed()) / 1e6;
            QCoreApplication::processEvents(); // a run's yield
        }
        // The last lines come with the next showing (at most a tenth of a second away).
        while (dialog.textArea()->document()->blockCount() != lines && timer.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        dialog.textArea()->viewport()->repaint();
        const double total = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        const double cpu = static_cast<double>(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC;
        if (dialog.textArea()->document()->blockCount() != lines) {
            std::fprintf(stderr, "shown %d of %d lines\n", dialog.textArea()->document()->blockCount(), lines);
            return 1;
        }
        std::printf("report %d lines, %d a batch: shown in %.1f ms, CPU %.1f ms (adding them to the document %.1f ms)\n",
                    lines, batch, total, cpu, adding);
        totals.push_back(total);
        cpus.push_back(cpu);
        adds.push_back(adding);
    }
    std::printf("median: shown in %.1f ms, CPU %.1f ms, adding %.1f ms\n", median(totals), median(cpus), median(adds));
    return 0;
}

int benchRun(const std::string& original, const std::string& defsFile, int repeats, bool durable) {
    const cli::DefsFile defs = cli::parseDefinitions(files::readWholeFile(defsFile));
    if (defs.error) {
        std::fprintf(stderr, "%s line %d: %s\n", defsFile.c_str(), defs.error->line, defs.error->message.c_str());
        return 2;
    }
    const std::string work = original + ".work";
    const BenchSettings settings;
    const QtDateTimeFormatter dates;
    TWqReportDlg report;
    std::vector<double> windows, plain, windowsCpu, plainCpu;
    std::int64_t replacements = 0;

    auto prepare = [&] {
        std::filesystem::copy_file(original, work, std::filesystem::copy_options::overwrite_existing);
        auto data = std::make_unique<TOperationData>();
        data->StartTime = nowDateTime();
        data->FilesToProcess.push_back({work, slpNone});
        data->FindReplaceList = defs.definitions;
        return data;
    };
    auto count = [](const TOperationData& data) {
        std::int64_t n = 0;
        for (const auto& d : data.FindReplaceList)
            n += d.Count;
        return n;
    };

    auto throughWindows = [&] {
        auto data = prepare();
        QElapsedTimer timer;
        timer.start();
        const std::clock_t cpu = std::clock();
        RunWithProgress(1, *data, nullptr, [&](TWqProgressForm& form, TOperationData& run) {
            TRunContext context{report.document(), settings, form.dates(), nullptr, &form.yield()};
            context.Durable = durable;
            RunOperation(&form.progress(), run, context);
        });
        QCoreApplication::processEvents(); // the last report lines
        windows.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        windowsCpu.push_back(static_cast<double>(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC);
        replacements = count(*data);
    };
    auto withoutWindows = [&] {
        auto data = prepare();
        QElapsedTimer timer;
        timer.start();
        const std::clock_t cpu = std::clock();
        TReportDocument document;
        TProgressState state(1, dates);
        state.start();
        TRunContext context{document, settings, dates};
        context.Durable = durable;
        RunOperation(&state, *data, context);
        state.finish();
        plain.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        plainCpu.push_back(static_cast<double>(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC);
        return count(*data);
    };

    for (int r = 0; r < repeats; ++r) {
        // Each goes first every other time, so neither always meets a page cache the other warmed.
        std::int64_t counted = 0;
        if (r % 2 == 0) {
            throughWindows();
            counted = withoutWindows();
        } else {
            counted = withoutWindows();
            throughWindows();
        }
        if (counted != replacements) {
            std::fprintf(stderr, "the two runs counted differently\n");
            return 1;
        }
        std::printf("run %d: windows %.1f ms (CPU %.1f ms), no windows %.1f ms (CPU %.1f ms)\n", r + 1, windows.back(),
                    windowsCpu.back(), plain.back(), plainCpu.back());
    }
    std::filesystem::remove(work);
    const double w = median(windows), p = median(plain), wc = median(windowsCpu), pc = median(plainCpu);
    std::printf("%lld replacements in %s (%lld bytes)\n", static_cast<long long>(replacements), original.c_str(),
                static_cast<long long>(std::filesystem::file_size(original)));
    std::printf("median: windows %.1f ms, no windows %.1f ms, ratio %.3f; CPU windows %.1f ms, no windows %.1f ms, "
                "ratio %.3f\n",
                w, p, w / p, wc, pc, wc / pc);
    // On a shared machine the fastest run is the one least disturbed by others.
    const double wm = minimum(windows), pm = minimum(plain), wcm = minimum(windowsCpu), pcm = minimum(plainCpu);
    std::printf("minimum: windows %.1f ms, no windows %.1f ms, ratio %.3f; CPU windows %.1f ms, no windows %.1f ms, "
                "ratio %.3f\n",
                wm, pm, wm / pm, wcm, pcm, wcm / pcm);
    return 0;
}

// What the windows do in a run over one file of `bytes` with `yields` yields, without the run: the
// window made, shown and destroyed, the report cleared, shown and written (opening, file and closing
// lines), 100 steps of the item bar and the yields between them.
int benchWindowsCost(int repeats, std::int64_t bytes, int yields) {
    const BenchSettings settings;
    TWqReportDlg report;
    std::vector<double> cpus, walls;
    for (int r = 0; r < repeats; ++r) {
        QElapsedTimer timer;
        timer.start();
        const std::clock_t cpu = std::clock();
        RunWithProgress(1, nullptr, [&](TWqProgressForm& form) {
            TReportDocument& document = report.document();
            document.clear();
            document.show();
            AddOpeningLines(document, nowDateTime(), form.dates());
            AddFileLine(document, "/dev/shm/big.orig.work");
            TProgressState& progress = form.progress();
            progress.setResolution(settings.progressResolution());
            progress.setItem(0, "Processing File: /dev/shm/big.orig.work");
            progress.setItemRange(0, bytes, 0);
            for (int y = 1; y <= yields; ++y) {
                progress.setPosition(bytes * y / yields);
                form.yield().processPendingMessages();
            }
            for (int n = 0; n < 19; ++n)
                document.addLine("Total Number of Replacements done: 9925", kLookPlain);
        });
        QCoreApplication::processEvents();
        report.flush();
        walls.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        cpus.push_back(static_cast<double>(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC);
    }
    std::printf("the windows of a run with %d yields: CPU median %.2f ms, minimum %.2f ms; wall median %.2f ms, "
                "minimum %.2f ms\n",
                yields, median(cpus), minimum(cpus), median(walls), minimum(walls));
    return 0;
}

// The offscreen platform cannot raise a window; saying so at every run hides the figures.
void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.contains(QLatin1String("does not support raise")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    TWqApplication application(argc, argv);
    const QStringList args = TWqApplication::arguments();
    if (args.size() == 1)
        return benchReport(100000, 100000, 5);
    if (args[1] == QLatin1String("report")) {
        const int lines = args.size() > 2 ? args[2].toInt() : 100000;
        const int batch = args.size() > 3 ? args[3].toInt() : lines;
        const int repeats = args.size() > 4 ? args[4].toInt() : 5;
        if (lines > 0 && batch > 0 && repeats > 0)
            return benchReport(lines, batch, repeats);
    }
    if (args[1] == QLatin1String("windows-cost")) {
        const int repeats = args.size() > 2 ? args[2].toInt() : 50;
        const int yields = args.size() > 3 ? args[3].toInt() : 20;
        if (repeats > 0 && yields > 0)
            return benchWindowsCost(repeats, 100'000'000, yields);
    }
    if (args.size() >= 4 && args[1] == QLatin1String("run")) {
        const bool durable = args.contains(QStringLiteral("--sync"));
        const int repeats = args.size() > 4 && args[4] != QLatin1String("--sync") ? args[4].toInt() : 7;
        if (repeats > 0)
            return benchRun(argv[2], argv[3], repeats, durable);
    }
    std::fprintf(stderr, "usage: swapwright_bench_gui report [LINES [BATCH [REPEATS]]]\n"
                         "       swapwright_bench_gui run FILE DEFS.tsv [REPEATS] [--sync]\n"
                         "       swapwright_bench_gui windows-cost [REPEATS [YIELDS]]\n");
    return 2;
}
