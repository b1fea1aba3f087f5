#include "gui/exception_dialog.h"

#include "core/base/exceptions.h"
#include "gui/controls/button_bar.h"
#include "gui/controls/wq_size_grip.h"
#include "gui/icons.h"
#include "gui/message_box.h"
#include "gui/sounds.h"
#include "gui/text_convert.h"
#include "gui/window_placement.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStyle>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>
#include <utility>

namespace swapwright::gui {

namespace {

constexpr int kPanelClientHeight = 117;
constexpr int kPanelBorder = 4;
constexpr int kRowGap = 3;
constexpr int kDesignedRowHeight = 17;

// The upper panel: the icon in its frame and the five labelled fields, laid out by hand to the
// dialog's measures; the fields reach to 10 pixels from the right edge.
class InformationPanel : public QWidget {
public:
    InformationPanel(const QPixmap& icon, const std::array<std::pair<QString, QString>, 5>& rows, QWidget* parent)
        : QWidget(parent), m_frame(new QFrame(this)), m_icon(new QLabel(m_frame)) {
        m_frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_frame->setGeometry(10, 10, 40, 40);
        m_icon->setPixmap(icon);
        m_icon->setGeometry(4, 4, 32, 32);
        m_icon->setAccessibleName(QStringLiteral("Icon"));
        static const std::array<const char*, 5> names = {"EditExceptionClass", "EditObjectName", "EditObjectClass",
                                                         "EditRoutineName", "EditExceptionAddress"};
        QFont bold = font();
        bold.setBold(true);
        QPalette navy = palette();
        navy.setColor(QPalette::Text, QColor(0, 0, 128));
        for (std::size_t i = 0; i < rows.size(); ++i) {
            auto* label = new QLabel(rows[i].first + QLatin1Char(':'), this);
            label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            auto* field = new QLineEdit(rows[i].second, this);
            field->setObjectName(QString::fromLatin1(names[i]));
            field->setReadOnly(true);
            field->setFont(bold);
            field->setPalette(navy);
            field->setAccessibleName(rows[i].first);
            field->setCursorPosition(0);
            label->setBuddy(field);
            m_labels[i] = label;
            m_fields[i] = field;
        }
        const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, m_fields[0]);
        m_rowHeight = std::max(kDesignedRowHeight, QFontMetrics(bold).height() + 2 * frame);
        const int rowsHeight = 5 * m_rowHeight + 4 * kRowGap;
        setFixedHeight(std::max(kPanelClientHeight, rowsHeight + 2 * kPanelBorder) + 2 * kPanelBorder);
    }

protected:
    void resizeEvent(QResizeEvent*) override {
        int widest = 0;
        for (const QLabel* label : m_labels)
            widest = std::max(widest, label->sizeHint().width());
        const int labelX = m_frame->geometry().right() + 1 + 10;
        const int fieldX = labelX + widest + 4;
        const int fieldWidth = std::max(10, width() - 10 - fieldX);
        const int rowsHeight = 5 * m_rowHeight + 4 * kRowGap;
        const int top = std::max(0, (height() - rowsHeight) / 2);
        for (std::size_t i = 0; i < m_fields.size(); ++i) {
            const int y = top + static_cast<int>(i) * (m_rowHeight + kRowGap);
            m_fields[i]->setGeometry(fieldX, y, fieldWidth, m_rowHeight);
            m_labels[i]->setGeometry(labelX, y, widest, m_rowHeight);
        }
    }

private:
    QFrame* m_frame;
    QLabel* m_icon;
    std::array<QLabel*, 5> m_labels{};
    std::array<QLineEdit*, 5> m_fields{};
    int m_rowHeight = kDesignedRowHeight;
};

QString hexAddress(std::uint32_t address) { return QString::number(address, 16).toUpper(); }

} // namespace

TWqExceptionDlg::TWqExceptionDlg(const std::exception_ptr& exception, int level, TWqPersistentData* store,
                                 QWidget* parent)
    : TWqExceptionDlg(exceptionInformation(exception), level, store, parent) {}

TWqExceptionDlg::TWqExceptionDlg(TWqExceptionInformation information, int level, TWqPersistentData* store,
                                 QWidget* parent)
    : QDialog(parent), m_information(std::move(information)), m_level(level), m_store(store) {
    setObjectName(QStringLiteral("WqExceptionDlg"));
    CreateControls();
}

void TWqExceptionDlg::CreateControls() {
    static constexpr std::array<SystemSound, 4> sounds = {SystemSound::Asterisk, SystemSound::Question,
                                                          SystemSound::Exclamation, SystemSound::Hand};
    static constexpr std::array<QStyle::StandardPixmap, 4> pictures = {
        QStyle::SP_MessageBoxInformation, QStyle::SP_MessageBoxQuestion, QStyle::SP_MessageBoxWarning,
        QStyle::SP_MessageBoxCritical};
    if (m_level < 0 || m_level > 3)
        throw EWqException("Unknown Warning Level", "CreateControls", toBytes(objectName()), "TWqExceptionDlg");
    const auto index = static_cast<std::size_t>(m_level);

    const QString caption =
        QStringLiteral("Exception in Application: %1").arg(QCoreApplication::applicationFilePath());
    setWindowTitle(caption);
    setAccessibleName(caption);
    setSizeGripEnabled(false);

    const std::array<std::pair<QString, QString>, 5> rows = {{
        {QStringLiteral("Exception Class"), toDisplayText(orUnknown(m_information.ExceptionClass))},
        {QStringLiteral("Object Name"), toDisplayText(m_information.ObjectName)},
        {QStringLiteral("Object Class"), toDisplayText(orUnknown(m_information.ObjectClass))},
        {QStringLiteral("Routine Name"), toDisplayText(orUnknown(m_information.RoutineName))},
        {QStringLiteral("Exception Address"), hexAddress(m_information.ExceptionAddress)},
    }};
    const QPixmap picture = style()->standardIcon(pictures[index], nullptr, this).pixmap(32, 32);
    auto* panel = new InformationPanel(picture, rows, this);

    auto* message = new QTextEdit(this);
    message->setObjectName(QStringLiteral("MemoMessage"));
    message->setAccessibleName(QStringLiteral("Message"));
    message->setReadOnly(true);
    message->setAcceptRichText(false);
    message->setLineWrapMode(QTextEdit::WidgetWidth);
    message->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    message->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QFont bold = message->font();
    bold.setBold(true);
    message->setFont(bold);
    message->setPlainText(toDisplayText(m_information.Message));

    auto* bar = new ButtonBar(33, this);
    connect(bar->addIconButton(QStringLiteral("BtnPrint"), icons::BtnPrint,
                               QStringLiteral("Print the contents of this Dialog")),
            &QToolButton::clicked, this, &TWqExceptionDlg::printImage);
    connect(bar->addIconButton(QStringLiteral("BtnCopy"), icons::BtnCopyToClipboard,
                               QStringLiteral("Copy a textual representation of the contents of this Dialog to the "
                                              "Clipboard")),
            &QToolButton::clicked, this, &TWqExceptionDlg::copyToClipboard);
    connect(bar->addIconButton(QStringLiteral("BtnMail"), icons::BtnMail,
                               QStringLiteral("Make a Screenshot of this Dialog and send it via e-Mail")),
            &QToolButton::clicked, this, &TWqExceptionDlg::mail);
    connect(bar->closeButton(), &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panel);
    layout->addWidget(message, 1);
    layout->addWidget(bar);
    new TWqSizeGrip(this);

    setMinimumSize(320, 255);
    resize(320, 255);
    loadWindowPlacement(*this, m_store, kPlacementKey, TDefaultPlacement::SystemChooses);
    bar->closeButton()->setFocus();

    playSystemSound(sounds[index]);
}

QString TWqExceptionDlg::exceptionText() const {
    const QByteArray program = QFile::encodeName(QCoreApplication::applicationFilePath());
    return toDisplayText(gui::exceptionText(m_information, std::string_view(program.constData(),
                                                                            static_cast<std::size_t>(program.size()))));
}

void TWqExceptionDlg::done(int result) {
    // The dialog closes even when its placement cannot be written; that failure is reported afterwards.
    std::exception_ptr failure;
    try {
        storeWindowPlacement(*this, m_store, kPlacementKey);
    } catch (...) {
        failure = std::current_exception();
    }
    QDialog::done(result);
    if (failure)
        std::rethrow_exception(failure);
}

void TWqExceptionDlg::printImage() {
    const QPixmap image = grab();
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QPainter painter;
    if (!painter.begin(&printer))
        throw Exception("The printer could not be started.");
    // The dialog at its size on the screen, made smaller only when it does not fit the page.
    const QRect page = painter.viewport();
    const double scale = static_cast<double>(printer.resolution()) / logicalDpiX();
    QSize printed = (image.deviceIndependentSize() * scale).toSize();
    if (printed.width() > page.width() || printed.height() > page.height())
        printed.scale(page.size(), Qt::KeepAspectRatio);
    painter.drawPixmap(QRect(page.topLeft(), printed), image);
}

void TWqExceptionDlg::copyToClipboard() { QGuiApplication::clipboard()->setText(exceptionText()); }

void TWqExceptionDlg::mail() {
    MessageBox::show(this, MessageSeverity::Information,
                     QStringLiteral("Good idea, eh?\r\n\r\nBut, sorry, not implemented yet :- )"), QMessageBox::Ok);
}

} // namespace swapwright::gui
