#include "mainwindow/RecordingSetupSheet.h"

#include "components/StudioButton.h"
#include "components/StudioLabel.h"
#include "components/StudioMenuPicker.h"
#include "components/StudioPaint.h"
#include "components/StudioSwitch.h"
#include "recording/Recorder.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>

namespace sablewick {

namespace {

StudioLabel* label(const QString& text, StudioTextStyle style, StudioLabelRole role, QWidget* parent,
                   QFont::Weight weight = QFont::Normal)
{
    auto* l = new StudioLabel(text, style, role, parent);
    if (weight != QFont::Normal)
        l->setTextStyle(style, weight);
    l->setWordWrap(true);
    return l;
}

// A label with a symbol before it.
QWidget* symbolLabel(const QString& symbol, const QString& text, StudioTextStyle style, StudioLabelRole role,
                     QWidget* parent, QFont::Weight weight = QFont::Normal)
{
    auto* widget = new QWidget(parent);
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(new StudioSymbolView(symbol, textStylePixelSize(style), role, widget), 0, Qt::AlignTop);
    layout->addWidget(label(text, style, role, widget, weight), 1);
    return widget;
}

// One labelled switch: the title over its detail.
QWidget* option(const QString& title, const QString& detail, StudioBinding<bool> isOn, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 4, 0, 4);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->addWidget(label(title, StudioTextStyle::body, StudioLabelRole::primary, row));
    texts->addWidget(label(detail, StudioTextStyle::caption, StudioLabelRole::secondary, row));
    layout->addLayout(texts, 1);
    auto* toggle = new StudioSwitch(QString(), std::move(isOn), StudioControlSize::regular, row);
    toggle->setAccessibleName(title);
    toggle->setObjectName(title);
    layout->addWidget(toggle, 0, Qt::AlignVCenter);
    return row;
}

// A titled group of rows with an optional footer, as in a grouped form.
QVBoxLayout* section(QVBoxLayout* form, QWidget* parent, const QString& header)
{
    if (!header.isEmpty())
        form->addWidget(label(header, StudioTextStyle::subheadline, StudioLabelRole::secondary, parent, QFont::DemiBold));
    auto* body = new QWidget(parent);
    body->setObjectName(QStringLiteral("section"));
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->setSpacing(6);
    form->addWidget(body);
    return layout;
}

void footer(QVBoxLayout* form, QWidget* parent, const QString& text)
{
    form->addWidget(label(text, StudioTextStyle::caption, StudioLabelRole::secondary, parent));
    form->addSpacing(12);
}

StudioButton* compactButton(const QString& title, QWidget* parent)
{
    auto* button = new StudioButton(title, QString(), StudioButtonVariant::secondary, StudioControlSize::compact, parent);
    return button;
}

}  // namespace

RecordingSetupSheet::RecordingSetupSheet(StudioBinding<RecordingOptions> options, Recorder& recorder,
                                         std::function<RecordingCapabilities()> capabilities, QWidget* parent)
    : QWidget(parent)
    , m_options(std::move(options))
    , m_recorder(recorder)
    , m_read(std::move(capabilities))
{
    setFixedWidth(sheetWidth);
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);

    auto* header = new QWidget(this);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(24, 24, 24, 24);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(5);
    titles->addWidget(label(QStringLiteral("New recording"), StudioTextStyle::title, StudioLabelRole::primary, header, QFont::DemiBold));
    titles->addWidget(label(QStringLiteral("Choose a screen and the sounds to include."), StudioTextStyle::callout,
                            StudioLabelRole::secondary, header));
    headerLayout->addLayout(titles, 1);
    m_close = new StudioIconButton(QStringLiteral("Close recording setup"), QStringLiteral("xmark"),
                                   StudioButtonVariant::tertiary, StudioControlSize::compact, header);
    connect(m_close, &QAbstractButton::clicked, this, &RecordingSetupSheet::dismissRequested);
    headerLayout->addWidget(m_close, 0, Qt::AlignTop);
    stack->addWidget(header);

    m_form = new QScrollArea(this);
    m_form->setWidgetResizable(true);
    m_form->setFrameShape(QFrame::NoFrame);
    m_form->viewport()->setAutoFillBackground(false);
    stack->addWidget(m_form);

    m_notice = new QWidget(this);
    m_noticeLayout = new QVBoxLayout(m_notice);
    m_noticeLayout->setContentsMargins(24, 0, 24, 16);
    m_noticeLayout->setSpacing(10);
    stack->addWidget(m_notice);

    stack->addWidget(new StudioDivider(this));

    auto* bottom = new QWidget(this);
    auto* bottomLayout = new QHBoxLayout(bottom);
    bottomLayout->setContentsMargins(20, 20, 20, 20);
    bottomLayout->setSpacing(10);
    m_summarySymbol = new StudioSymbolView(QStringLiteral("waveform"), 12, StudioLabelRole::secondary, bottom);
    bottomLayout->addWidget(m_summarySymbol);
    m_summary = label(QString(), StudioTextStyle::caption, StudioLabelRole::secondary, bottom);
    m_summary->setWordWrap(false);
    bottomLayout->addWidget(m_summary);
    bottomLayout->addStretch(1);
    bottomLayout->addSpacing(12);
    m_cancel = new StudioButton(QStringLiteral("Cancel"), QString(), StudioButtonVariant::secondary, StudioControlSize::regular, bottom);
    connect(m_cancel, &QAbstractButton::clicked, this, &RecordingSetupSheet::dismissRequested);
    bottomLayout->addWidget(m_cancel);
    m_start = new StudioButton(QStringLiteral("Start recording"), QStringLiteral("record.circle"),
                               StudioButtonVariant::primary, StudioControlSize::regular, bottom);
    connect(m_start, &QAbstractButton::clicked, this, [this] {
        if (canStart())
            emit startRequested();
    });
    bottomLayout->addWidget(m_start);
    stack->addWidget(bottom);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (m_cancel->isEnabled())
            emit dismissRequested();
    });
    for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* start = new QShortcut(QKeySequence(key), this);
        connect(start, &QShortcut::activated, m_start, [this] { m_start->click(); });
    }

    for (auto signal : {&Recorder::isStartingChanged, &Recorder::noticeChanged, &Recorder::needsScreenPermissionChanged,
                        &Recorder::needsMicrophonePermissionChanged, &Recorder::needsRestartChanged})
        connect(&m_recorder, signal, this, &RecordingSetupSheet::rebuild);
    connect(qApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        followScreen(screen);
        refreshCapabilities();
    });
    connect(qApp, &QGuiApplication::screenRemoved, this, &RecordingSetupSheet::refreshCapabilities);
    for (QScreen* screen : QGuiApplication::screens())
        followScreen(screen);
    // A microphone plugged in gives the audio server several reports at once: one reading.
    m_deviceRefresh.setSingleShot(true);
    m_deviceRefresh.setInterval(std::chrono::milliseconds(50));
    connect(&m_deviceRefresh, &QTimer::timeout, this, &RecordingSetupSheet::refreshCapabilities);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            refreshCapabilities();
    });
    refreshCapabilities();
}

void RecordingSetupSheet::refreshCapabilities()
{
    m_capabilities = m_read ? m_read() : RecordingCapabilities{};
    const std::optional<std::uint32_t> repaired = m_capabilities.repairedDisplayID(options().displayID);
    if (repaired != options().displayID)
        edit([&](RecordingOptions& o) { o.displayID = repaired; });
    else
        rebuild();
}

void RecordingSetupSheet::followScreen(QScreen* screen)
{
    // A display that changes its mode or place keeps its screen: the size line must follow it.
    connect(screen, &QScreen::geometryChanged, this, &RecordingSetupSheet::refreshCapabilities);
}

void RecordingSetupSheet::followDevices(const DeviceWatcher& watch)
{
    m_deviceWatch.reset();
    if (!watch)
        return;
    // The report comes on the watch's thread; the reading is made on the sheet's.
    m_deviceWatch = watch([this] {
        QMetaObject::invokeMethod(&m_deviceRefresh, qOverload<>(&QTimer::start), Qt::QueuedConnection);
    });
}

void RecordingSetupSheet::edit(const std::function<void(RecordingOptions&)>& change)
{
    RecordingOptions changed = options();
    change(changed);
    m_options.set(changed);
    rebuild();
}

int RecordingSetupSheet::formHeight() const
{
    if (m_recorder.notice())
        return 310;
    // A one-line note stands where the typing section would.
    return m_capabilities.typingAccess || m_capabilities.inputNote ? 350 : 440;
}

bool RecordingSetupSheet::canStart() const
{
    const RecordingOptions o = options();
    return !m_capabilities.displays.empty() && !m_recorder.isStarting() && !(o.microphone && !m_capabilities.microphoneName);
}

bool RecordingSetupSheet::canDismiss() const { return !m_recorder.isStarting(); }

QWidget* RecordingSetupSheet::buildForm()
{
    const RecordingOptions o = options();
    auto* form = new QWidget;
    auto* layout = new QVBoxLayout(form);
    layout->setContentsMargins(24, 0, 24, 0);
    layout->setSpacing(6);

    // Screen.
    QVBoxLayout* screen = section(layout, form, QStringLiteral("Screen"));
    if (m_capabilities.displays.empty()) {
        screen->addWidget(symbolLabel(QStringLiteral("display.trianglebadge.exclamationmark"),
                                      QStringLiteral("Connect a display to start recording."), StudioTextStyle::body,
                                      StudioLabelRole::secondary, form));
    } else {
        auto* row = new QWidget(form);
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        rowLayout->addWidget(label(QStringLiteral("Display"), StudioTextStyle::body, StudioLabelRole::primary, row));
        rowLayout->addStretch(1);
        std::vector<std::optional<std::uint32_t>> ids;
        for (const RecordingDisplayChoice& d : m_capabilities.displays)
            ids.emplace_back(d.id);
        const StudioBinding<std::optional<std::uint32_t>> selection{
            [this] { return options().displayID; },
            [this](const std::optional<std::uint32_t>& id) { edit([&](RecordingOptions& o) { o.displayID = id; }); }};
        auto* picker = StudioMenuPicker::make(
            QStringLiteral("Display"), selection, ids,
            [this](const std::optional<std::uint32_t>& id) {
                const RecordingDisplayChoice* d = m_capabilities.display(id);
                return d ? d->name : QStringLiteral("Choose a display");
            },
            row);
        rowLayout->addWidget(picker);
        screen->addWidget(row);
        if (const RecordingDisplayChoice* chosen = m_capabilities.display(o.displayID)) {
            QWidget* size = symbolLabel(QStringLiteral("viewfinder"), RecordingSetupText::sizeLine(chosen->captureSize),
                                        StudioTextStyle::caption, StudioLabelRole::secondary, form);
            size->setObjectName(QStringLiteral("sizeLine"));
            screen->addWidget(size);
        }
    }
    // X11 cannot leave one program's windows out of a capture: the panel may be in the movie, so
    // the sheet does not promise otherwise.
    footer(layout, form, QStringLiteral("The entire selected display is recorded."));

    // Audio.
    QVBoxLayout* audio = section(layout, form, QStringLiteral("Audio"));
    auto flag = [this](bool RecordingOptions::*member) {
        return StudioBinding<bool>{[this, member] { return options().*member; },
                                   [this, member](const bool& on) { edit([&](RecordingOptions& o) { o.*member = on; }); }};
    };
    audio->addWidget(option(QStringLiteral("System audio"), QStringLiteral("Sounds from other apps"),
                            flag(&RecordingOptions::systemAudio), form));
    audio->addWidget(option(QStringLiteral("Microphone"),
                            m_capabilities.microphoneName.value_or(QStringLiteral("No microphone connected")),
                            flag(&RecordingOptions::microphone), form));
    if (o.microphone) {
        const MicrophoneAuthorization access = m_capabilities.microphoneAuthorization;
        if (access == MicrophoneAuthorization::denied || access == MicrophoneAuthorization::restricted) {
            audio->addWidget(symbolLabel(QStringLiteral("mic.slash"), QStringLiteral("Microphone access is turned off."),
                                         StudioTextStyle::caption, StudioLabelRole::secondary, form));
            StudioButton* open = compactButton(QStringLiteral("Open Microphone Settings"), form);
            connect(open, &QAbstractButton::clicked, this, [this] { emit settingsRequested(QStringLiteral("Privacy_Microphone")); });
            audio->addWidget(open, 0, Qt::AlignLeft);
        } else if (!m_capabilities.microphoneName) {
            audio->addWidget(label(QStringLiteral("Connect a microphone or turn Microphone off to continue."),
                                   StudioTextStyle::caption, StudioLabelRole::secondary, form));
        } else if (access == MicrophoneAuthorization::notDetermined) {
            audio->addWidget(label(QStringLiteral("The system will ask for microphone access when you start."),
                                   StudioTextStyle::caption, StudioLabelRole::secondary, form));
        }
    }
    layout->addSpacing(12);

    // Pointer.
    QVBoxLayout* pointer = section(layout, form, QStringLiteral("Pointer"));
    pointer->addWidget(option(QStringLiteral("Show pointer"), QStringLiteral("You can adjust its appearance in the editor"),
                              flag(&RecordingOptions::showCursor), form));
    QWidget* clicks = option(QStringLiteral("Highlight clicks"), QStringLiteral("Add a subtle ring to each click"),
                             flag(&RecordingOptions::showClicks), form);
    clicks->setEnabled(o.showCursor);  // the value is kept while the pointer is off
    pointer->addWidget(clicks);
    if (!m_capabilities.typingAccess && m_capabilities.inputNote) {
        // Nothing the user could allow would help: say so instead of promising zooms on clicks
        // or offering the setting.
        footer(layout, form, *m_capabilities.inputNote);
    } else {
        footer(layout, form, QStringLiteral("Clicks become editable zooms. You can move, resize or remove them afterward."));
    }
    if (!m_capabilities.typingAccess && !m_capabilities.inputNote) {
        QVBoxLayout* typing = section(layout, form, QString());
        typing->addWidget(symbolLabel(QStringLiteral("keyboard"), QStringLiteral("Want automatic zooms while typing?"),
                                      StudioTextStyle::callout, StudioLabelRole::primary, form, QFont::Medium));
        typing->addWidget(label(QStringLiteral("Allow Input Monitoring to capture typing activity. The text you type is never saved."),
                                StudioTextStyle::caption, StudioLabelRole::secondary, form));
        StudioButton* setUp = compactButton(QStringLiteral("Set up typing zooms"), form);
        connect(setUp, &QAbstractButton::clicked, this, [this] { emit settingsRequested(QStringLiteral("Privacy_ListenEvent")); });
        typing->addWidget(setUp, 0, Qt::AlignLeft);
    }
    layout->addStretch(1);
    return form;
}

void RecordingSetupSheet::rebuild()
{
    // The form is made again from the options and the capabilities, keeping the keyboard focus
    // on the control of the same name.
    const QString focused = focusWidget() ? focusWidget()->objectName() : QString();
    const int scroll = m_form->verticalScrollBar() ? m_form->verticalScrollBar()->value() : 0;
    // The old form goes later: the switch whose click led here is still in its signal.
    if (QWidget* old = m_form->takeWidget()) {
        old->hide();
        old->setParent(nullptr);
        old->deleteLater();
    }
    m_form->setWidget(buildForm());
    if (!focused.isEmpty())
        if (auto* again = m_form->widget()->findChild<QWidget*>(focused))
            again->setFocus();
    m_form->verticalScrollBar()->setValue(scroll);
    refreshState();
}

void RecordingSetupSheet::refreshState()
{
    const RecordingOptions o = options();
    const bool starting = m_recorder.isStarting();
    m_form->setEnabled(!starting);
    m_close->setEnabled(!starting);
    m_cancel->setEnabled(!starting);
    m_start->setText(starting ? QStringLiteral("Starting…") : QStringLiteral("Start recording"));
    m_start->setLoading(starting);
    m_start->setEnabled(canStart());
    m_summary->setText(RecordingSetupText::audioSummary(o));
    m_summarySymbol->setSymbol(o.systemAudio || o.microphone ? QStringLiteral("waveform") : QStringLiteral("speaker.slash"));

    while (QLayoutItem* item = m_noticeLayout->takeAt(0)) {
        if (QWidget* old = item->widget()) {
            old->hide();
            old->setParent(nullptr);
            old->deleteLater();
        }
        delete item;
    }
    m_notice->setVisible(m_recorder.notice().has_value());
    if (const std::optional<QString> notice = m_recorder.notice()) {
        m_noticeLayout->addWidget(symbolLabel(QStringLiteral("info.circle"), *notice, StudioTextStyle::callout,
                                              StudioLabelRole::primary, m_notice));
        auto pane = [this](const QString& title, const QString& anchor) {
            StudioButton* button = compactButton(title, m_notice);
            connect(button, &QAbstractButton::clicked, this, [this, anchor] { emit settingsRequested(anchor); });
            m_noticeLayout->addWidget(button, 0, Qt::AlignLeft);
        };
        if (m_recorder.needsScreenPermission())
            pane(QStringLiteral("Open Screen Recording Settings"), QStringLiteral("Privacy_ScreenCapture"));
        if (m_recorder.needsMicrophonePermission())
            pane(QStringLiteral("Open Microphone Settings"), QStringLiteral("Privacy_Microphone"));
        if (m_recorder.needsRestart()) {
            StudioButton* quit = compactButton(QStringLiteral("Quit to finish permission setup"), m_notice);
            connect(quit, &QAbstractButton::clicked, this, &RecordingSetupSheet::quitRequested);
            m_noticeLayout->addWidget(quit, 0, Qt::AlignLeft);
        }
    }
    m_form->setFixedHeight(fittedFormHeight());
}

int RecordingSetupSheet::fittedFormHeight() const
{
    // The whole form where the screen has room for it, so that no row is cut off at the bottom;
    // the rest scrolls on a short screen.
    const QWidget* content = m_form->widget();
    const int needed = !content        ? 0
        : content->hasHeightForWidth() ? content->heightForWidth(sheetWidth)
                                       : content->sizeHint().height();
    int height = std::max(formHeight(), needed);
    if (const QScreen* shown = screen()) {
        int others = 0;
        for (int i = 0; i < layout()->count(); ++i)
            if (const QWidget* part = layout()->itemAt(i)->widget(); part && part != m_form && !part->isHidden())
                others += part->sizeHint().height();
        // Room for the window's frame around the sheet.
        constexpr int frame = 64;
        height = std::min(height, std::max(shown->availableGeometry().height() - others - frame, formHeight()));
    }
    return height;
}

QWidget* RecordingSetupSheet::firstControl() const
{
    if (!m_form->widget())
        return nullptr;
    for (QWidget* widget : m_form->widget()->findChildren<QWidget*>())
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled() && !widget->isHidden())
            return widget;
    return nullptr;
}

void RecordingSetupSheet::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The keyboard starts on the form's first choice; the close button, drawn first, comes last
    // (Escape closes the sheet anyway).
    setTabOrder(m_start, m_close);
    if (QWidget* first = firstControl())
        first->setFocus(Qt::TabFocusReason);
    m_form->setFixedHeight(fittedFormHeight());
}

}  // namespace sablewick
