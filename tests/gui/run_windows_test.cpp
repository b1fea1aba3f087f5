// The windows of a run: the progress window, the report window, and a run of the core through both.
#include "core/base/exceptions.h"
#include "core/engine/replacement_run.h"
#include "core/settings/app_store.h"
#include "gui/exception_handler.h"
#include "gui/message_box.h"
#include "gui/progress_form.h"
#include "gui/report_dialog.h"
#include "test_support/run_fakes.h"
#include "test_support/temp_dir.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>

#include <filesystem>

using namespace swapwright;
using namespace swapwright::gui;

namespace {

template <typename T>
T* part(QWidget& window, const char* name) {
    T* widget = window.findChild<T*>(name);
    if (!widget)
        qFatal("no %s", name);
    return widget;
}

// Serves events until the condition holds (or five seconds have passed); true when it holds.
template <typename Condition>
bool yieldUntil(IYield& yield, Condition condition) {
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < 5000)
        yield.processPendingMessages();
    return condition();
}

QFont effectiveFont(const QPlainTextEdit& edit, int blockNumber) {
    const QTextBlock block = edit.document()->findBlockByNumber(blockNumber);
    return block.begin().fragment().charFormat().font().resolve(edit.document()->defaultFont());
}

} // namespace

class RunWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void progressWindowSizesAndPlacement();
    void progressWindowDrawsTheState();
    void runWithProgressCancelsAndEnds();
    void reportSavedByExtension();
    void reportShowsLinesInTheirLooks();
    void runCanceledFromTheProgressWindow();
    void timesInTheLocaleWithoutTimeZone();
};

void RunWindowsTest::progressWindowSizesAndPlacement() {
    test::TempDir dir;
    auto store = CreateAppPersistentData(dir.path("settings.swd"));
    for (const auto& [items, height] : {std::pair{1, 140}, std::pair{2, 180}, std::pair{0, 140}}) {
        TWqProgressForm form(items, store.get());
        QCOMPARE(form.windowTitle(), QString("Please Wait ..."));
        QCOMPARE(form.size(), QSize(440, height));
        QCOMPARE(form.minimumSize(), QSize(440, height));
        QCOMPARE(form.maximumHeight(), height);
        QCOMPARE(part<QLabel>(form, "LabelOverallProgress")->isHidden(), items < 2);
        QCOMPARE(part<QProgressBar>(form, "ProgressBarOverall")->isHidden(), items < 2);
        QCOMPARE(part<QLabel>(form, "LabelItemText")->text(), QString("Operation in Progress ..."));
        QVERIFY(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(form.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(!form.windowFlags().testFlag(Qt::WindowMinMaxButtonsHint));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.focusWidget(), part<QPushButton>(form, "BtnCancel"));
        QCOMPARE(part<QPushButton>(form, "BtnCancel")->text(), QString("&Cancel"));
        // Every part lies inside the window, the cancel button 10 pixels from the corner.
        for (QWidget* child : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!child->isHidden())
                QVERIFY2(form.rect().contains(child->geometry()), qPrintable(child->objectName()));
        QCOMPARE(part<QPushButton>(form, "BtnCancel")->geometry().bottomRight() + QPoint(11, 11),
                 QPoint(440, height));
    }

    // The stored height gives way to the fixed one; the rest comes back, and goes back when the window goes.
    {
        TWqProgressForm form(3, store.get());
        form.move(50, 60);
        form.resize(600, 180);
    }
    const std::string written = test::readFile(dir.path("settings.swd"));
    QVERIFY(written.find("\\Progress Form]") != std::string::npos);
    QVERIFY(written.find("Progress Form Width=600") != std::string::npos);
    store->OpenKey("\\Progress Form", false);
    store->WriteInteger("Progress Form Height", 300);
    TWqProgressForm again(1, store.get());
    QCOMPARE(again.size(), QSize(600, 140));
    QCOMPARE(again.pos(), QPoint(50, 60));
}

void RunWindowsTest::progressWindowDrawsTheState() {
    TWqProgressForm form(4);
    TProgressState& state = form.progress();
    auto* itemBar = part<QProgressBar>(form, "ProgressBarItem");
    auto* overallBar = part<QProgressBar>(form, "ProgressBarOverall");
    state.setItem(2, "Processing File: /home/anna/projects/billing/src/Customers.pas");
    state.setItemRange(0, 1000, 0);
    state.setPosition(500);
    QCOMPARE(overallBar->value(), 500);
    QCOMPARE(overallBar->maximum(), 800);
    QCOMPARE(part<QLabel>(form, "LabelOverallProgress")->text(), QString("Overall Progress  62 %"));
    QCOMPARE(itemBar->value(), 5000);
    QCOMPARE(part<QLabel>(form, "LabelItemText")->accessibleName(),
             QString("Processing File: /home/anna/projects/billing/src/Customers.pas"));
    // Between two steps (of 10) nothing is drawn; crossing a step boundary draws.
    state.setPosition(509);
    QCOMPARE(itemBar->value(), 5000);
    state.setPosition(512);
    QCOMPARE(itemBar->value(), 5120);

    // A name too long for the two lines is shortened in its middle, never cut at the end.
    const std::string deep = "Processing File: /home/anna/" + std::string(300, 'x') + "/Customers.pas";
    state.setItem(3, deep);
    auto* itemText = part<QLabel>(form, "LabelItemText");
    QVERIFY(itemText->text().endsWith("Customers.pas"));
    QVERIFY(itemText->text().contains(QChar(0x2026)));
    QCOMPARE(itemText->accessibleName(), QString::fromStdString(deep));

    // During the work, items that follow faster than the eye are drawn at the next chance; the
    // last one shows when the work returns.
    form.execute([](TWqProgressForm& running) {
        for (int i = 0; i < 4; ++i)
            running.progress().setItem(i, "Processing File: f" + std::to_string(i));
    });
    QCOMPARE(itemText->accessibleName(), QStringLiteral("Processing File: f3"));
}

void RunWindowsTest::runWithProgressCancelsAndEnds() {
    test::TempDir dir;
    auto store = CreateAppPersistentData(dir.path("settings.swd"));

    // The close box: the window goes at once, the work sees the cancel state; then the window is destroyed.
    QPointer<TWqProgressForm> made;
    bool hiddenAtOnce = false;
    QString timeDuringWork;
    RunWithProgress(2, store.get(), [&](TWqProgressForm& form) {
        made = &form;
        QCOMPARE(TWqProgressForm::running(), &form);
        QVERIFY(form.isVisible());
        auto* time = part<QLabel>(form, "LabelTime");
        QVERIFY(yieldUntil(form.yield(), [&] { return !time->text().isEmpty(); }));
        timeDuringWork = time->text();
        QTimer::singleShot(0, &form, [&] {
            form.close();
            hiddenAtOnce = !form.isVisible();
        });
        QVERIFY(yieldUntil(form.yield(), [&] { return form.canceled(); }));
    });
    QVERIFY(made.isNull());
    QVERIFY(!TWqProgressForm::running());
    QVERIFY(hiddenAtOnce);
    QVERIFY2(timeDuringWork.startsWith("Consumed Time: "), qPrintable(timeDuringWork));
    QVERIFY(test::readFile(dir.path("settings.swd")).find("Progress Form Left=") != std::string::npos);

    // Esc is the cancel button; the window stays.
    RunWithProgress(1, nullptr, [&](TWqProgressForm& form) {
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(&form, Qt::Key_Escape);
        QVERIFY(form.canceled());
        QVERIFY(form.isVisible());
    });

    // An error of the work travels on; the window is gone all the same.
    int data = 7;
    try {
        RunWithProgress(1, data, nullptr, [&](TWqProgressForm& form, int& given) {
            made = &form;
            QCOMPARE(&given, &data);
            throw EInOutError("Cannot open file \"gone.pas\"");
        });
        QFAIL("the error did not reach the caller");
    } catch (const EInOutError& e) {
        QCOMPARE(std::string(e.what()), std::string("Cannot open file \"gone.pas\""));
    }
    QVERIFY(made.isNull());
    QVERIFY(!TWqProgressForm::running());
}

void RunWindowsTest::reportSavedByExtension() {
    test::TempDir dir;
    TWqReportDlg dialog;
    dialog.document().addLine("Operation Started: 2026-12-09 10:00:00", kLookHeading);
    dialog.document().addLine("   Count: 2, \tForm1 -> MainForm", kLookFileDetail);
    dialog.document().addLine("caf\xE9", kLookError);
    const std::string plain = "Operation Started: 2026-12-09 10:00:00\r\n   Count: 2, \tForm1 -> MainForm\r\ncaf\xE9\r\n";

    dialog.saveReport(QString::fromStdString(dir.path("REPORT.RTF")));
    QVERIFY(test::readFile(dir.path("REPORT.RTF")).starts_with("{\\rtf1"));
    QVERIFY(test::readFile(dir.path("REPORT.RTF")).find("Lucida Console") != std::string::npos);
    for (const char* name : {"report.txt", "report"}) {
        dialog.saveReport(QString::fromStdString(dir.path(name)));
        QCOMPARE(test::readFile(dir.path(name)), plain);
    }
    QVERIFY_THROWS_EXCEPTION(EFCreateError, dialog.saveReport(QString::fromStdString(dir.path("report.txt/inside.txt"))));
    QCOMPARE(dialog.normalFont().Size, 9.0);

    const auto save = dialog.createSaveDialog();
    QCOMPARE(save->windowTitle(), QString("Save Operation Report to File"));
    QCOMPARE(save->nameFilters(),
             QStringList({"Text Files (*.txt)", "Rich Text Files (*.rtf)", "All Files (*)"}));
    QCOMPARE(save->selectedNameFilter(), QString("Rich Text Files (*.rtf)"));
    QCOMPARE(save->defaultSuffix(), QString("rtf"));
    QCOMPARE(save->acceptMode(), QFileDialog::AcceptSave);
    QVERIFY(!save->testOption(QFileDialog::DontConfirmOverwrite));
}

void RunWindowsTest::reportShowsLinesInTheirLooks() {
    test::TempDir dir;
    auto store = CreateAppPersistentData(dir.path("settings.swd"));
    {
        TWqReportDlg dialog(store.get());
        QCOMPARE(dialog.windowTitle(), QString("Operation Report"));
        QCOMPARE(dialog.size(), QSize(350, 300));
        QCOMPARE(dialog.minimumSize(), QSize(350, 300));
        auto* close = part<QPushButton>(dialog, "BtnClose");
        QVERIFY(close->isDefault());
        QCOMPARE(dialog.focusWidget(), close);
        QPlainTextEdit* text = dialog.textArea();
        QVERIFY(text->isReadOnly());
        QCOMPARE(text->font().family(), QString("Lucida Console"));
        QCOMPARE(text->font().pixelSize(), 12);
        QVERIFY(QFontInfo(text->font()).fixedPitch());
        QCOMPARE(text->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(text->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(text->palette().color(QPalette::Inactive, QPalette::Highlight),
                 text->palette().color(QPalette::Active, QPalette::Highlight));
        QVERIFY(dialog.printJobTitle().startsWith("Operation Report: "));

        TReportDocument& document = dialog.document();
        document.show();
        QVERIFY(dialog.isVisible());
        document.addLine("", kLookPlain);
        document.addLine("Operation Started: 2026-12-09 10:00:00", kLookHeading);
        document.addLine("   two\nlines", kLookError);
        QCOMPARE(text->document()->blockCount(), 1); // shown at the next turn of the event loop
        QTRY_COMPARE(text->document()->blockCount(), 3);
        QCOMPARE(text->document()->findBlockByNumber(2).text(), QString("   two") + QChar::LineSeparator + "lines");
        dialog.setTextFont(QFont("DejaVu Sans Mono", 14));
        document.addLine("Total Number of Replacements done: 3", kLookPlain);
        dialog.flush();
        QCOMPARE(effectiveFont(*text, 3).pointSize(), 14);
        QCOMPARE(effectiveFont(*text, 1).pointSize(), 10);
        QVERIFY(effectiveFont(*text, 1).bold());
        QCOMPARE(text->document()->findBlockByNumber(2).begin().fragment().charFormat().foreground().color(),
                 QColor(255, 0, 0));

        part<QToolButton>(dialog, "BtnWrapLines")->click();
        QCOMPARE(text->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        part<QToolButton>(dialog, "BtnWrapLines")->click();
        QCOMPARE(text->lineWrapMode(), QPlainTextEdit::NoWrap);

        part<QToolButton>(dialog, "BtnCopyToClipboard")->click();
        QVERIFY(QGuiApplication::clipboard()->text().endsWith("Total Number of Replacements done: 3"));
        part<QToolButton>(dialog, "BtnClear")->click();
        QVERIFY(document.empty());
        QCOMPARE(text->toPlainText(), QString());
        close->click();
        QVERIFY(!dialog.isVisible());
        dialog.move(40, 30);
        dialog.resize(500, 400);
    }
    const std::string written = test::readFile(dir.path("settings.swd"));
    QVERIFY(written.find("\\Report Form]\nLeft=") != std::string::npos);
    QVERIFY(written.find("\nWidth=500\nHeight=400") != std::string::npos);
    TWqReportDlg again(store.get());
    QCOMPARE(again.size(), QSize(500, 400));
    QCOMPARE(again.pos(), QPoint(40, 30));

    // The program's one window: made on first use, the same one afterwards.
    TWqReportDlg& program = TWqReportDlg::instance();
    QCOMPARE(&TWqReportDlg::instance(), &program);
    QVERIFY(!program.isVisible());
    TWqReportDlg::destroyInstance();
    QVERIFY(!TWqReportDlg::hasInstance());
}

void RunWindowsTest::runCanceledFromTheProgressWindow() {
    test::TempDir dir;
    auto store = CreateAppPersistentData(dir.path("settings.swd"));
    const std::string small = "Form1.Caption := 'Form1';\r\n";
    std::string large;
    while (large.size() < (std::size_t{24} << 20))
        large += "  Form1 := TForm1.Create(Application); Form1.Show;\r\n";
    TOperationData data;
    for (const auto& [name, content] : {std::pair<const char*, const std::string*>{"Unit1.pas", &small},
                                        {"Unit2.pas", &large}, {"Unit3.pas", &small}}) {
        test::writeFile(dir.path(name), *content);
        data.FilesToProcess.push_back({dir.path(name), slpNone});
    }
    data.FindReplaceList.push_back({"Form1", "MainForm", false, true, 1, 0});

    TWqReportDlg report(store.get());
    test::FixedRunSettings settings;
    MessageBoxQuestion question;
    std::int64_t canceledAt = -1;
    RunWithProgress(3, data, store.get(), [&](TWqProgressForm& form, TOperationData& run) {
        QTimer press;
        press.setInterval(0);
        connect(&press, &QTimer::timeout, &form, [&] {
            if (form.progress().currentItem() == 1 && form.progress().position() > 0) {
                canceledAt = form.progress().position();
                part<QPushButton>(form, "BtnCancel")->click();
                press.stop();
            }
        });
        press.start();
        TRunContext context{report.document(), settings, form.dates(), &question, &form.yield()};
        RunOperation(&form.progress(), run, context);
    });

    QVERIFY2(canceledAt > 0 && canceledAt < static_cast<std::int64_t>(large.size()), qPrintable(QString::number(canceledAt)));
    QCOMPARE(test::readFile(dir.path("Unit1.pas")), std::string("MainForm.Caption := 'MainForm';\r\n"));
    QVERIFY(test::readFile(dir.path("Unit2.pas")) == large);
    QCOMPARE(test::readFile(dir.path("Unit3.pas")), small);
    QCOMPARE(std::distance(std::filesystem::directory_iterator(dir.root()), {}), 5); // + Unit1._pas, settings
    const auto& lines = report.document().lines();
    QCOMPARE(lines.back().Text, std::string("Termination: Canceled by User"));
    QVERIFY(std::any_of(lines.begin(), lines.end(),
                        [](const TReportLine& l) { return l.Text == "Total Number of Files processed: 2"; }));
    QVERIFY(report.isVisible());
    QTRY_COMPARE(report.textArea()->document()->lastBlock().text(), QString("Termination: Canceled by User"));
}

void RunWindowsTest::timesInTheLocaleWithoutTimeZone() {
    for (const auto& [format, expected] : {std::pair{"h:mm:ss AP t", "h:mm:ss AP"}, {"HH:mm:ss t", "HH:mm:ss"},
                                           {"t HH:mm", "HH:mm"}, {"HH 'at' mm", "HH 'at' mm"}})
        QCOMPARE(withoutTimeZone(format), QString(expected));
    const QtDateTimeFormatter german{QLocale(QLocale::German, QLocale::Germany)};
    QCOMPARE(german.longTime(7.0 / 86400.0), std::string("00:00:07"));
    QCOMPARE(german.shortDate(encodeDateTime(2026, 12, 9)), std::string("09.12.26"));
    const QtDateTimeFormatter american{QLocale(QLocale::English, QLocale::UnitedStates)};
    QCOMPARE(QString::fromStdString(american.longTime(encodeDateTime(2026, 12, 9, 14, 5, 7))), QString("2:05:07 PM"));
}

int main(int argc, char** argv) {
    TWqApplication application(argc, argv);
    RunWindowsTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "run_windows_test.moc"
