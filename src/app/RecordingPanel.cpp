#include "app/RecordingPanel.h"

#include "components/StudioButton.h"
#include "components/StudioGlassSurface.h"
#include "components/StudioLabel.h"
#include "components/StudioPaint.h"
#include "preferences/AppPreferences.h"
#include "recording/Recorder.h"

#include <QCursor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace sablewick {

namespace {

// The red record mark: a filled dot inside a ring.
class RecordMark final : public QWidget {
public:
    explicit RecordMark(QWidget* parent) : QWidget(parent) { setFixedSize(18, 18); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor red = StudioColors::of(this).red;
        painter.setPen(QPen(red, 1.6));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QRectF(rect()).adjusted(1, 1, -1, -1));
        painter.setPen(Qt::NoPen);
        painter.setBrush(red);
        painter.drawEllipse(QRectF(rect()).adjusted(4.5, 4.5, -4.5, -4.5));
    }
};

StudioLabel* text(const QString& content, StudioTextStyle style, QFont::Weight weight, QWidget* parent)
{
    auto* label = new StudioLabel(content, style, StudioLabelRole::primary, parent);
    label->setTextStyle(style, weight);
    return label;
}

QWidget* rowOf(QWidget* parent, std::initializer_list<QWidget*> leading, std::initializer_list<QWidget*> trailing)
{
    auto* widget = new QWidget(parent);
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    for (QWidget* w : leading)
        layout->addWidget(w);
    layout->addSpacing(4);
    layout->addStretch(1);
    for (QWidget* w : trailing)
        layout->addWidget(w);
    return widget;
}

// Asks the file manager to show the file selected (the freedesktop FileManager1 interface), or
// opens its folder when no file manager answers.
void revealInFileBrowser(const QString& path)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

}  // namespace

RecordingPanel::RecordingPanel(Recorder& recorder, AppPreferences& preferences, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
    , m_recorder(recorder)
    , m_preferences(preferences)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(panelSize);
    setWindowTitle(QStringLiteral("Recording"));

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* surface = new StudioGlassSurface(StudioGlassSurface::Shape::roundedRectangle, 16.0, this);
    outer->addWidget(surface);
    auto* layout = new QHBoxLayout(surface);
    layout->setContentsMargins(16, 0, 16, 0);
    layout->setSpacing(12);

    m_status = new QStackedWidget(surface);
    m_status->setFixedSize(18, 18);
    m_status->addWidget(new RecordMark(m_status));
    m_status->addWidget(new StudioSymbolView(QStringLiteral("checkmark.circle.fill"), 18, StudioLabelRole::readableAccent, m_status));
    layout->addWidget(m_status);

    m_rows = new QStackedWidget(surface);
    layout->addWidget(m_rows, 1);

    // Recording.
    m_clock = text(QString(), StudioTextStyle::title3, QFont::DemiBold, m_rows);
    QFont clockFont = m_clock->font();
    clockFont.setPixelSize(15);
    clockFont.setStyleHint(QFont::Monospace);  // the digits do not dance as they change
    clockFont.setFamily(QStringLiteral("monospace"));
    m_clock->setFont(clockFont);
    auto* mark = new StudioIconButton(QStringLiteral("Mark zoom at pointer"), QStringLiteral("plus.magnifyingglass"),
                                      StudioButtonVariant::secondary, StudioControlSize::compact, m_rows);
    mark->setToolTip(m_preferences.help(QStringLiteral("Add zoom at pointer"), StudioShortcutAction::markZoom));
    mark->setFocusPolicy(Qt::NoFocus);
    connect(mark, &QAbstractButton::clicked, this, [this] { m_recorder.markZoomAtPointer(); });
    auto* stop = new StudioButton(QStringLiteral("Stop recording"), QString(), StudioButtonVariant::destructive,
                                  StudioControlSize::compact, m_rows);
    stop->setToolTip(m_preferences.help(QStringLiteral("Stop recording"), StudioShortcutAction::recording));
    stop->setAccessibleName(QStringLiteral("Stop recording"));
    stop->setFocusPolicy(Qt::NoFocus);
    connect(stop, &QAbstractButton::clicked, this, [this] { m_recorder.stop(); });
    m_rows->addWidget(rowOf(m_rows, {m_clock}, {mark, stop}));

    // Finishing.
    auto* progress = new QProgressBar(m_rows);
    progress->setRange(0, 0);
    progress->setTextVisible(false);
    progress->setFixedSize(60, 6);
    m_rows->addWidget(rowOf(m_rows, {text(QStringLiteral("Finishing recording…"), StudioTextStyle::body, QFont::Medium, m_rows)},
                          {progress}));

    auto dismissButton = [this] {
        auto* button = new StudioIconButton(QStringLiteral("Dismiss recording controls"), QStringLiteral("xmark"),
                                            StudioButtonVariant::tertiary, StudioControlSize::compact, m_rows);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QAbstractButton::clicked, this, &RecordingPanel::dismissRequested);
        return button;
    };

    // Ready.
    m_readyText = text(QString(), StudioTextStyle::body, QFont::Medium, m_rows);
    auto* edit = new StudioButton(QStringLiteral("Edit"), QString(), StudioButtonVariant::secondary,
                                  StudioControlSize::compact, m_rows);
    edit->setToolTip(QStringLiteral("Open the recording in Sablewick"));
    edit->setFocusPolicy(Qt::NoFocus);
    connect(edit, &QAbstractButton::clicked, this, [this] {
        emit editRequested();
        emit dismissRequested();
    });
    auto* revealButton = new StudioButton(QStringLiteral("Reveal"), QString(), StudioButtonVariant::secondary,
                                          StudioControlSize::compact, m_rows);
    revealButton->setToolTip(QStringLiteral("Show recording in Files"));
    revealButton->setFocusPolicy(Qt::NoFocus);
    connect(revealButton, &QAbstractButton::clicked, this, &RecordingPanel::reveal);
    m_rows->addWidget(rowOf(m_rows, {m_readyText}, {edit, revealButton, dismissButton()}));

    // Stopped.
    m_stoppedText = text(QString(), StudioTextStyle::body, QFont::Normal, m_rows);
    m_stoppedText->setWordWrap(false);
    m_stoppedText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);  // one line, cut when long
    m_rows->addWidget(rowOf(m_rows, {m_stoppedText}, {dismissButton()}));

    m_clockTimer = new QTimer(this);
    m_clockTimer->setInterval(250);
    connect(m_clockTimer, &QTimer::timeout, this, &RecordingPanel::tick);
    for (auto signal : {&Recorder::isRecordingChanged, &Recorder::isFinalizingChanged, &Recorder::finishedURLChanged,
                        &Recorder::noticeChanged, &Recorder::recordingStartedAtChanged})
        connect(&m_recorder, signal, this, &RecordingPanel::follow);
    follow();
}

QRect RecordingPanel::placement(const QRect& availableArea)
{
    const QRect area = availableArea.isValid() ? availableArea : QRect(0, 0, 1440, 900);
    return QRect(area.left() + area.width() / 2 - panelSize.width() / 2, area.top() + topMargin, panelSize.width(),
                 panelSize.height());
}

QString RecordingPanel::elapsed(const QDateTime& start, const QDateTime& at)
{
    const qint64 seconds = std::max<qint64>(0, start.msecsTo(at) / 1000);
    return QString::asprintf("%02lld:%02lld", seconds / 60, seconds % 60);
}

RecordingPanel::Row RecordingPanel::row() const
{
    if (m_recorder.isRecording())
        return Row::recording;
    if (m_recorder.isFinalizing())
        return Row::finishing;
    if (m_recorder.finishedURL())
        return Row::ready;
    return Row::stopped;
}

void RecordingPanel::follow()
{
    const Row current = row();
    m_rows->setCurrentIndex(static_cast<int>(current));
    m_status->setCurrentIndex(current == Row::ready ? 1 : 0);
    // A finish with a problem (the sidecar could not be written) says so instead of "ready".
    m_readyText->setText(current == Row::ready && m_recorder.notice() ? *m_recorder.notice()
                                                                      : QStringLiteral("Recording ready"));
    m_stoppedText->setText(m_recorder.notice().value_or(QStringLiteral("Recording stopped")));
    m_stoppedText->setToolTip(m_stoppedText->text());
    if (current == Row::recording) {
        tick();
        m_clockTimer->start();
    } else {
        m_clockTimer->stop();
    }
}

void RecordingPanel::tick() { m_clock->setText(elapsed(m_recorder.recordingStartedAt(), QDateTime::currentDateTime())); }

void RecordingPanel::reveal()
{
    if (const std::optional<QUrl> movie = m_recorder.finishedURL())
        revealInFileBrowser(movie->toLocalFile());
}

RecordingPanelController::RecordingPanelController(AppPreferences& preferences, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
{
}

RecordingPanelController::~RecordingPanelController() { delete m_panel; }

void RecordingPanelController::show(Recorder& recorder)
{
    if (!m_panel) {
        m_panel = new RecordingPanel(recorder, m_preferences);
        const QScreen* screen = QGuiApplication::primaryScreen();
        m_panel->setGeometry(RecordingPanel::placement(screen ? screen->availableGeometry() : QRect()));
        connect(m_panel, &RecordingPanel::editRequested, this, [this] {
            if (openEditor)
                openEditor();
        });
        connect(m_panel, &RecordingPanel::dismissRequested, this, &RecordingPanelController::dismiss);
    }
    m_panel->show();
    m_panel->raise();
}

void RecordingPanelController::dismiss()
{
    if (m_panel)
        m_panel->deleteLater();
    m_panel = nullptr;
}

}  // namespace sablewick
