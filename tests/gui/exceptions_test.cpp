#include "core/base/exceptions.h"
#include "core/settings/app_store.h"
#include "gui/exception_dialog.h"
#include "gui/exception_handler.h"
#include "gui/icons.h"
#include "gui/message_box.h"
#include "gui/sounds.h"
#include "test_support/temp_dir.h"

#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

using namespace swapwright;
using namespace swapwright::gui;

namespace {

// Raises the exception it is given when it receives the event that carries it.
class Raiser : public QObject {
public:
    static constexpr QEvent::Type kType = QEvent::User;
    struct RaiseEvent : QEvent {
        explicit RaiseEvent(std::exception_ptr e) : QEvent(kType), exception(std::move(e)) {}
        std::exception_ptr exception;
    };
    bool event(QEvent* event) override {
        if (event->type() == kType)
            std::rethrow_exception(static_cast<RaiseEvent*>(event)->exception);
        return QObject::event(event);
    }
    void raiseLater(std::exception_ptr e) { QCoreApplication::postEvent(this, new RaiseEvent(std::move(e))); }
};

TWqExceptionDlg* openDialog() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<TWqExceptionDlg*>(w); dialog && dialog->isVisible())
            return dialog;
    return nullptr;
}

QString field(QWidget& dialog, const char* name) {
    auto* edit = dialog.findChild<QLineEdit*>(name);
    return edit ? edit->text() : QString("<missing %1>").arg(name);
}

} // namespace

class ExceptionsTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_sounds.clear();
        setSystemSoundRecorder([this](SystemSound s) { m_sounds.push_back(s); });
        MessageBox::clearLastMessage();
    }
    void cleanup() { setSystemSoundRecorder(nullptr); }

    void exceptionTextByteForByte();
    void dialogShowsTheFieldsByLevel();
    void levelOutsideTheRangeIsRefused();
    void secondExceptionGoesToTheMessageBox();
    void dialogKeepsItsPlacement();
    void questionsAreMessageBoxes();
    void everyIconIsBundled();

private:
    std::vector<SystemSound> m_sounds;
};

void ExceptionsTest::exceptionTextByteForByte() {
    TWqExceptionInformation info =
        exceptionInformation(std::make_exception_ptr(EWqException("Unknown Warning Level", "CreateControls",
                                                                  "WqExceptionDlg", "TWqExceptionDlg")));
    info.ExceptionAddress = 0x4A3F0Cu;
    QCOMPARE(exceptionText(info, "/usr/local/bin/swapwright.bin"),
             std::string("Exeption in Application: SWAPWRIGHT.BIN\r\n"
                         "\r\n"
                         "Exception Class:      EWqException\r\n"
                         "Object Name:          WqExceptionDlg\r\n"
                         "Object Class:           TWqExceptionDlg\r\n"
                         "Routine Name:         CreateControls\r\n"
                         "Exception Address:     4A3F0C\r\n"
                         "\r\n"
                         "Message:\r\n"
                         "---------------\r\n"
                         "Unknown Warning Level\r\n"
                         "\r\n"));

    const std::string convert =
        exceptionText(exceptionInformation(std::make_exception_ptr(EConvertError("'5x' is not a valid integer value"))),
                      "swapwright");
    QVERIFY(convert.find("Exception Class:      EConvertError\r\nObject Name:          \r\n"
                         "Object Class:           Unknown\r\nRoutine Name:         Unknown\r\n"
                         "Exception Address:     0\r\n") != std::string::npos);

    QCOMPARE(exceptionInformation(std::make_exception_ptr(std::out_of_range("index 7"))).ExceptionClass,
             std::string("std::out_of_range"));
    QCOMPARE(exceptionInformation(nullptr).Message,
             std::string("No Exception Information because the Exception was nil"));
}

void ExceptionsTest::dialogShowsTheFieldsByLevel() {
    TWqExceptionDlg dialog(std::make_exception_ptr(EConvertError("'5x' is not a valid integer value")), 3);
    QCOMPARE(dialog.windowTitle(), "Exception in Application: " + QCoreApplication::applicationFilePath());
    QCOMPARE(field(dialog, "EditExceptionClass"), QString("EConvertError"));
    QCOMPARE(field(dialog, "EditObjectName"), QString());
    QCOMPARE(field(dialog, "EditObjectClass"), QString("Unknown"));
    QCOMPARE(field(dialog, "EditRoutineName"), QString("Unknown"));
    QCOMPARE(field(dialog, "EditExceptionAddress"), QString("0"));
    auto* classField = dialog.findChild<QLineEdit*>("EditExceptionClass");
    QVERIFY(classField->isReadOnly() && classField->font().bold());
    QCOMPARE(classField->palette().color(QPalette::Text), QColor(0, 0, 128));
    QCOMPARE(classField->accessibleName(), QString("Exception Class"));
    QCOMPARE(dialog.findChild<QTextEdit*>("MemoMessage")->toPlainText(), QString("'5x' is not a valid integer value"));
    QCOMPARE(dialog.minimumSize(), QSize(320, 255));

    TWqExceptionDlg information(TWqExceptionInformation{}, 0);
    TWqExceptionDlg question(TWqExceptionInformation{}, 1);
    TWqExceptionDlg warning(TWqExceptionInformation{}, 2);
    QVERIFY(m_sounds == std::vector({SystemSound::Hand, SystemSound::Asterisk, SystemSound::Question,
                                     SystemSound::Exclamation}));

    dialog.copyToClipboard();
    QCOMPARE(QGuiApplication::clipboard()->text(), dialog.exceptionText());
    QVERIFY(dialog.exceptionText().startsWith("Exeption in Application: SWAPWRIGHT_GUI_TESTS_EXCEPTIONS\r\n"));

    MessageBox::setNextAnswer(QMessageBox::Ok);
    dialog.mail();
    QCOMPARE(MessageBox::lastMessage()->title, QString("Information"));
    QCOMPARE(MessageBox::lastMessage()->text, QString("Good idea, eh?\n\nBut, sorry, not implemented yet :- )"));
}

void ExceptionsTest::levelOutsideTheRangeIsRefused() {
    for (const int level : {-1, 4}) {
        try {
            TWqExceptionDlg dialog(TWqExceptionInformation{}, level);
            QFAIL("a dialog was made");
        } catch (const EWqException& e) {
            QCOMPARE(e.message(), std::string("Unknown Warning Level"));
            QCOMPARE(e.routineName(), std::string("CreateControls"));
        }
    }
    QVERIFY(m_sounds.empty());
}

void ExceptionsTest::secondExceptionGoesToTheMessageBox() {
    auto* application = TWqApplication::instance();
    QVERIFY(application);
    TWqExceptionHandlerObj handler(*application);
    Raiser raiser;
    QString seenClass;
    std::optional<MessageBox::Message> secondShown;
    QList<TWqExceptionDlg*> dialogs;
    bool done = false;

    QTimer watcher;
    watcher.setInterval(10);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<TWqExceptionDlg*>(w);
            if (!dialog || !dialog->isVisible() || dialogs.contains(dialog))
                continue;
            dialogs.append(dialog);
            if (dialogs.size() == 1) {
                seenClass = field(*dialog, "EditExceptionClass");
                MessageBox::setNextAnswer(QMessageBox::Ok);
                raiser.raiseLater(std::make_exception_ptr(std::runtime_error("raised while the dialog is up")));
            }
        }
        if (dialogs.size() > 1 || (dialogs.size() == 1 && MessageBox::lastMessage())) {
            secondShown = MessageBox::lastMessage();
            for (TWqExceptionDlg* dialog : dialogs)
                dialog->findChild<QPushButton*>("BtnClose")->click();
            done = true;
            watcher.stop();
        }
    });
    watcher.start();
    raiser.raiseLater(std::make_exception_ptr(EConvertError("'5x' is not a valid integer value")));
    QTRY_VERIFY(done);
    QTRY_VERIFY(!openDialog());

    QCOMPARE(dialogs.size(), 1);
    QCOMPARE(seenClass, QString("EConvertError"));
    QVERIFY(secondShown);
    QCOMPARE(secondShown->title, QString("Error"));
    QCOMPARE(secondShown->text, QString("raised while the dialog is up"));
    QVERIFY(!handler.busy());

    // A slot run through guarded() ends in the same handler; with the dialog answered at once here.
    bool reached = false;
    QTimer::singleShot(0, [&] {
        if (TWqExceptionDlg* dialog = openDialog()) {
            reached = true;
            dialog->accept();
        }
    });
    QVERIFY(!guardedCall([] { throw EReadError("Stream read error"); }));
    QVERIFY(reached);
}

void ExceptionsTest::dialogKeepsItsPlacement() {
    test::TempDir dir;
    auto store = CreateAppPersistentData(dir.path("settings.swd"));
    {
        TWqExceptionDlg dialog(TWqExceptionInformation{}, 3, store.get());
        dialog.move(40, 30);
        dialog.resize(400, 300);
        dialog.accept();
    }
    const std::string written = test::readFile(dir.path("settings.swd"));
    QVERIFY(written.find("\\Exception Dialog]") != std::string::npos);
    QVERIFY(written.find("Exception Dialog Width=400") != std::string::npos);
    TWqExceptionDlg again(TWqExceptionInformation{}, 3, store.get());
    QCOMPARE(again.size(), QSize(400, 300));
    QCOMPARE(again.pos(), QPoint(40, 30));
}

void ExceptionsTest::questionsAreMessageBoxes() {
    MessageBoxQuestion question;
    MessageBox::setNextAnswer(QMessageBox::No);
    QVERIFY(!question.askYesNo(MessageSeverity::Confirm, "Shall this Message be shown again?"));
    QCOMPARE(MessageBox::lastMessage()->title, QString("Confirm"));
    MessageBox::setNextAnswer(QMessageBox::Yes);
    QVERIFY(question.askYesNo(MessageSeverity::Warning, "caf\xE9"));
    QCOMPARE(MessageBox::lastMessage()->title, QString("Warning"));
    QCOMPARE(MessageBox::lastMessage()->text, QString::fromLatin1("caf\xE9"));
}

void ExceptionsTest::everyIconIsBundled() {
    for (const std::string_view name : icons::kAllNames) {
        const QImage image = icons::icon(name).pixmap(24, 24).toImage();
        QVERIFY2(!image.isNull(), name.data());
        int painted = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                painted += qAlpha(image.pixel(x, y)) > 0;
        QVERIFY2(painted > 20, name.data());
    }
    QVERIFY(icons::icon("NOSUCHICON").isNull());
}

int main(int argc, char** argv) {
    TWqApplication application(argc, argv);
    ExceptionsTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "exceptions_test.moc"
