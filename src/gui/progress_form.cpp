#include "gui/progress_form.h"

#include "gui/controls/wq_size_grip.h"
#include "gui/exception_handler.h"
#include "gui/icons.h"
#include "gui/text_convert.h"
#include "gui/window_placement.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>

#include <climits>
#include <cmath>
#include <memory>

namespace swapwright::gui {

namespace {

constexpr int kMargin = 10;
constexpr int kTextLeft = 62;
constexpr int kItemTextHeight = 26;
constexpr int kBarHeight = 16;
constexpr int kCaptionHeight = 13;
constexpr int kItemBarSteps = 10000;

// A break opportunity after every path separator, so a long file name wraps at its folders.
QString breakablePath(const QString& text) {
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (const QChar c : text) {
        out += c;
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            out += QChar(0x200B);
    }
    return out;
}

// The item text as it fits in `lines` lines of that width: wrapped at blanks and folders, and
// shortened in the middle when even that is too long.
QString fittedItemText(const QString& text, const QFontMetrics& metrics, int width, int lines) {
    const int height = lines * metrics.lineSpacing();
    auto fits = [&](const QString& candidate) {
        return metrics.boundingRect(QRect(0, 0, width, INT_MAX / 2), Qt::TextWordWrap, candidate).height() <= height;
    };
    QString shown = breakablePath(text);
    for (int room = width * lines; !fits(shown) && room > width / 2; room -= width / 8)
        shown = breakablePath(metrics.elidedText(text, Qt::ElideMiddle, room));
    return shown;
}

// A smooth bar: a frame and the filled part in the highlight colour, painted with plain rectangle
// fills, opaque, so moving it repaints nothing behind it.
class SmoothBar final : public QProgressBar {
public:
    explicit SmoothBar(QWidget* parent) : QProgressBar(parent) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setTextVisible(false);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect all = rect();
        const QPalette& colours = palette();
        painter.fillRect(all, colours.color(QPalette::Mid));
        const QRect inside = all.adjusted(1, 1, -1, -1);
        painter.fillRect(inside, colours.color(QPalette::Base));
        const qint64 span = qint64{maximum()} - minimum();
        if (span <= 0 || value() <= minimum())
            return;
        const int filled = static_cast<int>((qint64{value()} - minimum()) * inside.width() / span);
        painter.fillRect(QRect(inside.topLeft(), QSize(filled, inside.height())), colours.color(QPalette::Highlight));
    }
};

// Moves the bar and lets it paint at the next turn of the event loop (the run's next yield), so
// several steps between two yields cost one painting; a progress bar would paint at once.
void moveBar(QProgressBar* bar, int minimum, int maximum, int value) {
    bar->setUpdatesEnabled(false);
    bar->setRange(minimum, maximum);
    bar->setValue(value);
    bar->setUpdatesEnabled(true);
    bar->update();
}

} // namespace

TWqProgressForm* TWqProgressForm::s_running = nullptr;

void TWqProgressForm::Yield::processPendingMessages() { processEventsGuarded(); }

TWqProgressForm::TWqProgressForm(int itemCount, TWqPersistentData* store, QWidget* parent, TProgressState::Clock clock)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_state(itemCount, m_dates, std::move(clock)), m_store(store), m_picture(new QFrame(this)),
      m_itemText(new QLabel(this)), m_itemBar(new SmoothBar(this)), m_overallCaption(new QLabel(this)),
      m_overallBar(new SmoothBar(this)), m_timeText(new QLabel(this)),
      m_cancel(new QPushButton(QStringLiteral("&Cancel"), this)) {
    setObjectName(QStringLiteral("WqProgressForm"));
    setWindowTitle(QStringLiteral("Please Wait ..."));
    setAccessibleName(windowTitle());

    QFrame* frame = m_picture;
    frame->setObjectName(QStringLiteral("ImageFrame"));
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setGeometry(kMargin, kMargin, 42, 42);
    auto* picture = new QLabel(frame);
    picture->setObjectName(QStringLiteral("Image"));
    picture->setPixmap(icons::icon(icons::AppIcon).pixmap(32, 32));
    picture->setAlignment(Qt::AlignCenter);
    picture->setGeometry(0, 0, 42, 42);
    picture->setAccessibleName(QStringLiteral("Application Icon"));

    m_itemText->setObjectName(QStringLiteral("LabelItemText"));
    m_itemText->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    m_itemText->setWordWrap(true);
    m_itemBar->setObjectName(QStringLiteral("ProgressBarItem"));
    m_itemBar->setAccessibleName(QStringLiteral("Item Progress"));
    m_itemBar->setRange(0, kItemBarSteps);
    m_itemBar->setValue(0);
    m_overallCaption->setObjectName(QStringLiteral("LabelOverallProgress"));
    m_overallBar->setObjectName(QStringLiteral("ProgressBarOverall"));
    m_overallBar->setAccessibleName(QStringLiteral("Overall Progress"));
    m_timeText->setObjectName(QStringLiteral("LabelTime"));
    m_timeText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_timeText->setAccessibleName(QStringLiteral("Time"));

    m_cancel->setObjectName(QStringLiteral("BtnCancel"));
    m_cancel->setAccessibleName(QStringLiteral("Cancel"));
    m_cancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton, nullptr, this));
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, [this] { cancel(); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, m_cancel, &QPushButton::click);
    new TWqSizeGrip(this);

    const bool overall = m_state.showsOverall();
    m_overallCaption->setVisible(overall);
    m_overallBar->setVisible(overall);
    const int height = overall ? kHeightMoreItems : kHeightOneItem;
    setMinimumSize(kWidth, height);
    setMaximumHeight(height);
    resize(kWidth, height);
    loadWindowPlacement(*this, m_store, kPlacementKey, TDefaultPlacement::ScreenCenter);
    resize(width(), height); // the fixed height replaces the stored one

    m_timer.setInterval(TProgressState::kTimerInterval);
    connect(&m_timer, &QTimer::timeout, this, [this] { m_state.timerTick(); });
    m_itemTextTimer.setSingleShot(true);
    m_itemTextTimer.setInterval(kItemTextInterval);
    connect(&m_itemTextTimer, &QTimer::timeout, this, [this] { drawItemTextNow(); });

    m_state.setDrawer(this);
    progressChanged({true, true, true, true});
    m_cancel->setFocus();
}

TWqProgressForm::~TWqProgressForm() {
    m_state.setDrawer(nullptr);
    if (s_running == this)
        s_running = nullptr;
    storePlacement();
}

void TWqProgressForm::storePlacement() noexcept {
    try {
        storeWindowPlacement(*this, m_store, kPlacementKey);
    } catch (...) {
        // The placement is a convenience; a store that cannot be written says so when it is saved.
    }
}

void TWqProgressForm::execute(const std::function<void(TWqProgressForm&)>& work) {
    struct Bracket {
        TWqProgressForm& form;
        TWqProgressForm* previous;
        ~Bracket() {
            form.m_state.finish();
            form.m_timer.stop();
            if (form.m_itemTextTimer.isActive())
                form.drawItemTextNow();
            s_running = previous;
        }
    } bracket{*this, s_running};
    m_state.start();
    m_timer.start();
    s_running = this;
    work(*this);
}

void TWqProgressForm::closeEvent(QCloseEvent* event) {
    // The close box cancels; the window goes at once, the work notices at its next check.
    cancel();
    storePlacement();
    event->accept();
}

void TWqProgressForm::resizeEvent(QResizeEvent*) {
    const int width = this->width() - kTextLeft - kMargin;
    const int lineSpacing = m_itemText->fontMetrics().lineSpacing();
    const int textHeight = std::max(kItemTextHeight, 2 * lineSpacing);
    const int captionHeight = std::max(kCaptionHeight, m_overallCaption->fontMetrics().height());
    m_itemText->setGeometry(kTextLeft, kMargin, width, textHeight);
    m_itemBar->setGeometry(kTextLeft, m_itemText->geometry().bottom() + 1 + 3, width, kBarHeight);
    m_overallCaption->setGeometry(kTextLeft, m_itemBar->geometry().bottom() + 1 + 10, width, captionHeight);
    m_overallBar->setGeometry(kTextLeft, m_overallCaption->geometry().bottom() + 1 + 3, width, kBarHeight);

    const QSize button = m_cancel->sizeHint().expandedTo(QSize(75, 25));
    m_cancel->setGeometry(this->width() - kMargin - button.width(), height() - kMargin - button.height(),
                          button.width(), button.height());
    const int timeHeight = std::max(kCaptionHeight, m_timeText->fontMetrics().height());
    m_timeText->setGeometry(kMargin, m_cancel->geometry().center().y() - timeHeight / 2,
                            m_cancel->x() - 8 - kMargin, timeHeight);
    showItemText(); // a new width wraps it anew
}

void TWqProgressForm::showItemText() {
    const QString text = toDisplayText(m_state.itemText());
    const int lines = std::max(1, m_itemText->height() / std::max(1, m_itemText->fontMetrics().lineSpacing()));
    m_itemText->setText(fittedItemText(text, m_itemText->fontMetrics(), m_itemText->width(), lines));
    m_itemText->setAccessibleName(text);
    m_itemText->setToolTip(text);
}

void TWqProgressForm::drawItemTextNow() {
    m_itemTextTimer.stop();
    showItemText();
    m_itemText->repaint();
    m_itemTextDrawn.start();
}

void TWqProgressForm::progressChanged(const TProgressChanges& changes) {
    if (changes.ItemText) {
        // At once, not at the next yield; during a run of many small files at most every
        // kItemTextInterval ms (a synchronous repaint for each of 10,000 files costs a third of the run).
        if (!m_state.running() || !m_itemTextDrawn.isValid() || m_itemTextDrawn.elapsed() >= kItemTextInterval)
            drawItemTextNow();
        else if (!m_itemTextTimer.isActive())
            m_itemTextTimer.start();
    }
    if (changes.ItemBar)
        moveBar(m_itemBar, 0, kItemBarSteps, static_cast<int>(std::lround(m_state.itemFraction() * kItemBarSteps)));
    if (changes.Overall && m_state.showsOverall()) {
        // Beyond the range of a bar (millions of items) the bar counts in ten-thousandths.
        const std::int64_t maximum = m_state.overallMaximum();
        if (maximum <= INT_MAX)
            moveBar(m_overallBar, 0, static_cast<int>(maximum), static_cast<int>(m_state.overallPosition()));
        else
            moveBar(m_overallBar, 0, kItemBarSteps, static_cast<int>(m_state.overallPosition() * kItemBarSteps / maximum));
        m_overallCaption->setText(toDisplayText(m_state.overallCaption()));
    }
    if (changes.TimeText)
        m_timeText->setText(toDisplayText(m_state.timeText()));
}

void RunWithProgress(int itemCount, TWqPersistentData* store, const std::function<void(TWqProgressForm&)>& work,
                     QWidget* parent) {
    const auto form = std::make_unique<TWqProgressForm>(itemCount, store, parent);
    form->show();
    form->execute(work);
}

} // namespace swapwright::gui
