#include "gui/controls/wq_combo_box.h"
#include "gui/controls/wq_integer_edit.h"
#include "gui/controls/wq_list_view.h"
#include "gui/controls/wq_splitter.h"
#include "gui/sounds.h"

#include <QLineEdit>
#include <QMimeData>
#include <QStandardItemModel>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

using namespace swapwright::gui;

class ControlsTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_sounds.clear();
        setSystemSoundRecorder([this](SystemSound s) { m_sounds.push_back(s); });
    }
    void cleanup() { setSystemSoundRecorder(nullptr); }

    void integerEditLeavingTheField_data();
    void integerEditLeavingTheField();
    void integerEditSpinsAndBeeps();
    void comboBoxItemIndexIgnoresCase();
    void splitterDragKeepsMinimumAndRatio();
    void listViewReportsOneDropWithAllFiles();

private:
    std::vector<SystemSound> m_sounds;
};

void ControlsTest::integerEditLeavingTheField_data() {
    QTest::addColumn<int>("minValue");
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("beeps");
    QTest::newRow("letters refused") << 1 << 10000 << "12a34" << "1234" << 1;
    QTest::newRow("below the range") << 1 << 10000 << "0" << "1" << 0;
    QTest::newRow("above the range") << 1 << 10000 << "20000" << "10000" << 0;
    QTest::newRow("empty") << 1 << 10000 << "" << "1" << 0;
    QTest::newRow("no upper bound") << 1 << 0 << "100000" << "100000" << 0;
    QTest::newRow("lower bound only") << 5 << 2 << "3" << "5" << 0;
    QTest::newRow("no range at all") << 0 << 0 << "-2147483648" << "-2147483648" << 0;
    QTest::newRow("sign after a digit") << 0 << 0 << "-5-" << "-5" << 0;
    QTest::newRow("beyond 32 bits") << 0 << 0 << "99999999999" << "2147483647" << 0;
}

void ControlsTest::integerEditLeavingTheField() {
    QFETCH(int, minValue);
    QFETCH(int, maxValue);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, beeps);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* edit = new TWqIntegerEdit(&window);
    edit->setObjectName("EditFindReplaceRowCount");
    auto* other = new QLineEdit(&window);
    layout->addWidget(edit);
    layout->addWidget(other);
    edit->SetMinValue(minValue);
    edit->SetMaxValue(maxValue);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    auto* found = window.findChild<TWqIntegerEdit*>("EditFindReplaceRowCount");
    QVERIFY(found);
    found->setFocus();
    found->clear();
    QTest::keyClicks(found, typed);
    QCOMPARE(static_cast<int>(m_sounds.size()), beeps);
    other->setFocus();
    QCOMPARE(found->text(), shown);
}

void ControlsTest::integerEditSpinsAndBeeps() {
    TWqIntegerEdit edit;
    edit.SetMinValue(1);
    edit.SetMaxValue(10);
    edit.setIncrement(3);
    edit.setValue(5);
    QTest::keyClick(&edit, Qt::Key_Up);
    QCOMPARE(edit.value(), 8);
    QTest::keyClick(&edit, Qt::Key_Up);
    QCOMPARE(edit.value(), 10); // kept inside the range
    edit.decrementButton()->click();
    QCOMPARE(edit.text(), QString("7"));
    QCOMPARE(edit.incrementButton()->toolTip(), QString("Increment Value"));
    QCOMPARE(edit.decrementButton()->toolTip(), QString("Decrement Value"));
    QVERIFY(m_sounds.empty());

    edit.setReadOnly(true);
    QTest::keyClick(&edit, Qt::Key_Down);
    edit.incrementButton()->click();
    QCOMPARE(edit.value(), 7);
    QCOMPARE(m_sounds.size(), std::size_t(2));

    // Reading does not check the range; a text without digits reads as MinValue.
    edit.setText(" -12x3");
    QCOMPARE(edit.value(), -123);
    edit.setText("--");
    QCOMPARE(edit.value(), 1);
}

void ControlsTest::comboBoxItemIndexIgnoresCase() {
    TWqComboBox box;
    box.addItems({"Always as Text", "Always as Binary", "In the Format they had before"});
    QVERIFY(!box.isEditable());
    box.SetItemIndex(2);
    QCOMPARE(box.currentText(), QString("In the Format they had before"));
    QCOMPARE(box.ItemIndex(), 2);
    box.SetReadOnly(false);
    box.setEditText("always AS binary");
    QCOMPARE(box.ItemIndex(), 1);
    box.setEditText("Always");
    QCOMPARE(box.ItemIndex(), -1);
}

void ControlsTest::splitterDragKeepsMinimumAndRatio() {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* list = new QWidget(&window);
    list->setObjectName("FileList");
    auto* splitter = new TWqSplitter(TWqAlign::Bottom, &window);
    splitter->setObjectName("Splitter1");
    splitter->setThickness(6);
    auto* grid = new QWidget(&window);
    grid->setObjectName("FindReplaceGrid");
    grid->setFixedHeight(156);
    layout->addWidget(list, 1);
    layout->addWidget(splitter);
    layout->addWidget(grid);
    window.resize(496, 477);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(splitter->resizedControl(), grid);
    QCOMPARE(splitter->sizeRatio(), 156.0 / 477);

    const auto drag = [&](int dy) {
        const QPoint start = splitter->mapToGlobal(QPoint(20, 3));
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(20, 3), start, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(splitter, &press);
        QMouseEvent move(QEvent::MouseMove, QPointF(20, 3 + dy), start + QPoint(0, dy), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(splitter, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(20, 3 + dy), start + QPoint(0, dy), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(splitter, &release);
        QCoreApplication::processEvents();
    };
    drag(-44); // up: the grid below grows
    QCOMPARE(grid->height(), 200);
    drag(400); // far down: never below 10 pixels
    QCOMPARE(grid->height(), 10);
    drag(-90);
    QCOMPARE(grid->height(), 100);
    QCOMPARE(splitter->sizeRatio(), 100.0 / 477);
    drag(-2000); // far up: the splitter stays inside the window
    QCOMPARE(grid->height(), 477 - 6);
    QCOMPARE(splitter->geometry().top(), 0);
    drag(371);
    QCOMPARE(grid->height(), 100);

    window.resize(496, 954); // the grid keeps its share of the height
    QTRY_COMPARE(grid->height(), 200);
    QCOMPARE(splitter->geometry().bottom() + 1, grid->geometry().top());
    window.resize(496, 300);
    QTRY_COMPARE(grid->height(), 63); // 300 * 100 / 477 = 62.9
}

void ControlsTest::listViewReportsOneDropWithAllFiles() {
    QStandardItemModel model(0, 3);
    TWqListView list;
    list.setObjectName("FileList");
    list.setModel(&model);
    list.SetAcceptDroppedFiles(true);
    list.resize(400, 300);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    std::vector<std::vector<std::string>> calls;
    list.OnFilesDropped = [&](TWqListView& sender, const std::vector<std::string>& names, bool& doDefault) {
        QCOMPARE(&sender, &list);
        QVERIFY(doDefault);
        doDefault = false;
        calls.push_back(names);
    };

    QMimeData data;
    data.setUrls({QUrl("file:///home/anna/src/Main.pas"), QUrl("https://example.org/x.pas"),
                  QUrl("file:///home/anna/src/Main%20Form.dfm"), QUrl::fromEncoded("file:///home/anna/src/caf%E9.pas")});
    const QPoint at(50, 50);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &drop);
    QVERIFY(drop.isAccepted());

    QCOMPARE(calls.size(), std::size_t(1));
    const std::vector<std::string> expected = {"/home/anna/src/Main.pas", "/home/anna/src/Main Form.dfm",
                                               "/home/anna/src/caf\xE9.pas"};
    QVERIFY(calls[0] == expected);

    // Switched off, the list refuses files.
    list.SetAcceptDroppedFiles(false);
    QDragEnterEvent refused(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    refused.ignore();
    QCoreApplication::sendEvent(list.viewport(), &refused);
    QVERIFY(!refused.isAccepted());
}

QTEST_MAIN(ControlsTest)
#include "controls_test.moc"
