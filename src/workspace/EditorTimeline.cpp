#include "workspace/EditorTimeline.h"

#include "components/StudioButton.h"
#include "components/StudioIconToggle.h"
#include "components/StudioIcons.h"
#include "components/StudioLabel.h"
#include "components/StudioPaint.h"
#include "components/StudioSlider.h"
#include "components/StudioTextField.h"
#include "editor/EditorModel.h"
#include "preferences/AppPreferences.h"
#include "workspace/TimelineText.h"
#include "workspace/TimelineTrack.h"

#include <QBoxLayout>
#include <QEvent>
#include <QFontDatabase>
#include <QLocale>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>

#include <cmath>

namespace sablewick {

namespace {

constexpr double stripHeight = 136;

QKeySequence shortcutFor(const AppPreferences& preferences, StudioShortcutAction action)
{
    if (preferences.shortcutCapture())
        return {};
    const std::optional<StudioKeyBinding> binding = preferences.binding(action);
    return binding ? QKeySequence(binding->qtShortcut()) : QKeySequence();
}

// A symbol drawn as decoration, not a button.
QLabel* symbol(const QString& name, StudioLabelRole role, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setPixmap(studioSymbolPixmap(name, 13, studioLabelColor(parent, role), parent->devicePixelRatioF()));
    return label;
}

QWidget* symbolLabel(const QString& name, const QString& text, StudioTextStyle style, QWidget* parent,
                     QFont::Weight weight = QFont::Normal)
{
    auto* box = new QWidget(parent);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    row->addWidget(symbol(name, StudioLabelRole::primary, box));
    auto* label = new StudioLabel(text, style, StudioLabelRole::primary, box);
    if (weight != QFont::Normal) {
        QFont font = label->font();
        font.setWeight(weight);
        label->setFont(font);
    }
    row->addWidget(label);
    return box;
}

// Figures that keep their width as they change (the toolkit offers no tabular-digit feature here).
QFont monospacedDigits(const QFont& font)
{
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(font.pixelSize() > 0 ? font.pixelSize() : 11);
    return fixed;
}

}  // namespace

EditorTimeline::EditorTimeline(EditorModel& editor, StudioBinding<std::optional<QUuid>> selectedPoint,
                               StudioBinding<double> scale, std::function<void(std::optional<double>)> onAddZoom,
                               std::function<void(const FocusPoint&)> onDeleteZoom, AppPreferences& preferences,
                               QWidget* parent)
    : QWidget(parent)
    , m_editor(editor)
    , m_scale(std::move(scale))
    , m_onAddZoom(std::move(onAddZoom))
    , m_preferences(preferences)
{
    setAutoFillBackground(true);
    setAccessibleName(QStringLiteral("Timeline panel"));

    // Transport parts.
    m_playback = new QWidget(this);
    auto* playback = new QHBoxLayout(m_playback);
    playback->setContentsMargins(0, 5, 0, 5);
    playback->setSpacing(10);
    auto* goStart = new StudioIconButton(QStringLiteral("Go to trim start"), QStringLiteral("backward.end.fill"),
                                         StudioButtonVariant::secondary, StudioControlSize::regular, m_playback);
    connect(goStart, &QAbstractButton::clicked, this,
            [this] { m_editor.playback().seek(m_editor.document().settings().trimStart); });
    m_play = new StudioIconButton(QStringLiteral("Play"), QStringLiteral("play.fill"), StudioButtonVariant::secondary,
                                  StudioControlSize::regular, m_playback);
    connect(m_play, &QAbstractButton::clicked, this, [this] { m_editor.playback().togglePlayback(); });
    auto* times = new QWidget(m_playback);
    auto* timesRow = new QHBoxLayout(times);
    timesRow->setContentsMargins(0, 0, 0, 0);
    timesRow->setSpacing(4);
    QFont timeFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    timeFont.setPixelSize(11);
    timeFont.setWeight(QFont::Medium);
    m_current = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::primary, times);
    m_current->setFont(timeFont);
    m_duration = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary, times);
    m_duration->setFont(timeFont);
    timesRow->addWidget(m_current);
    timesRow->addWidget(m_duration);
    auto* loop = new StudioIconToggle(QStringLiteral("Loop playback"), QStringLiteral("repeat"),
                                      {[this] { return m_editor.playback().loopPlayback(); },
                                       [this](const bool& on) { m_editor.playback().setLoopPlayback(on); }},
                                      StudioControlSize::regular, m_playback);
    playback->addWidget(goStart);
    playback->addWidget(m_play);
    playback->addWidget(times);
    playback->addWidget(loop);

    auto* addZoom = new StudioButton(QStringLiteral("Add zoom"), QStringLiteral("plus.magnifyingglass"),
                                     StudioButtonVariant::secondary, StudioControlSize::regular, this);
    connect(addZoom, &QAbstractButton::clicked, this, [this] {
        if (m_onAddZoom)
            m_onAddZoom(std::nullopt);
    });
    m_addZoom = addZoom;

    m_magnification = new QWidget(this);
    auto* magnification = new QHBoxLayout(m_magnification);
    magnification->setContentsMargins(8, 0, 8, 0);
    magnification->setSpacing(8);
    auto* slider = new StudioSlider(
        {[this] { return m_scale.get ? m_scale.get() : 1.0; },
         [this](const double& value) {
             if (m_scale.set)
                 m_scale.set(value);
             layoutStrip();
         }},
        1, 12, std::nullopt, m_magnification);
    slider->setFixedWidth(70);
    slider->setAccessibleName(QStringLiteral("Timeline magnification"));
    magnification->addWidget(symbol(QStringLiteral("minus.magnifyingglass"), StudioLabelRole::secondary, m_magnification));
    magnification->addWidget(slider);
    magnification->addWidget(symbol(QStringLiteral("plus.magnifyingglass"), StudioLabelRole::secondary, m_magnification));

    m_transport = new QWidget(this);

    // Title line.
    m_title = new QWidget(this);
    auto* title = new QHBoxLayout(m_title);
    title->setContentsMargins(0, 0, 0, 0);
    title->setSpacing(8);
    title->addWidget(symbolLabel(QStringLiteral("film.stack"), QStringLiteral("Timeline"), StudioTextStyle::caption,
                                 m_title, QFont::DemiBold));
    title->addWidget(new StudioLabel(QStringLiteral("·"), StudioTextStyle::caption, StudioLabelRole::tertiary, m_title));
    m_hint = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary, m_title);
    m_hint->setWordWrap(false);
    m_hint->setMinimumWidth(0);
    m_hint->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    title->addWidget(m_hint, 1);
    m_count = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary, m_title);
    m_count->setFont(monospacedDigits(m_count->font()));
    title->addWidget(m_count);

    // Strip.
    m_stripBox = new QWidget(this);
    m_stripBox->setFixedHeight(int(stripHeight));
    m_scroll = new QScrollArea(m_stripBox);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(false);
    m_track = new TimelineTrack(
        editor, std::move(selectedPoint),
        [this](double time) {
            if (m_onAddZoom)
                m_onAddZoom(time);
        },
        std::move(onDeleteZoom), TrackLayout::headerInset);
    m_scroll->setWidget(m_track);

    // Trim line.
    m_trim = new QWidget(this);
    m_trimLabel = symbolLabel(QStringLiteral("scissors"), QStringLiteral("Trim"), StudioTextStyle::caption, m_trim);
    m_selected = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary, m_trim);

    // The rows choose their arrangement from the width they get, so the wide one must not set the
    // panel's minimum width: otherwise the panel could never become narrow enough to switch.
    for (QWidget* row : {m_transport, m_title, m_trim})
        row->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 10, 24, 16);
    column->setSpacing(12);
    column->addWidget(m_transport);
    column->addWidget(m_title);
    column->addWidget(m_stripBox);
    column->addWidget(m_trim);

    m_playShortcut = new QShortcut(this);
    connect(m_playShortcut, &QShortcut::activated, this, [this] { m_editor.playback().togglePlayback(); });
    m_loopShortcut = new QShortcut(this);
    connect(m_loopShortcut, &QShortcut::activated, this,
            [this] { m_editor.playback().setLoopPlayback(!m_editor.playback().loopPlayback()); });
    m_addZoomShortcut = new QShortcut(this);
    connect(m_addZoomShortcut, &QShortcut::activated, addZoom, &QAbstractButton::click);
    goStart->setToolTip(QStringLiteral("Go to trim start"));
    connect(&preferences, &AppPreferences::shortcutOverridesChanged, this, &EditorTimeline::refreshShortcuts);
    connect(&preferences, &AppPreferences::shortcutCaptureChanged, this, &EditorTimeline::refreshShortcuts);
    refreshShortcuts();

    for (auto signal :
         {&EditorDocument::durationChanged, &EditorDocument::settingsChanged, &EditorDocument::eventsChanged})
        connect(&editor.document(), signal, this, &EditorTimeline::refresh);
    for (auto signal :
         {&EditorPlayback::currentTimeChanged, &EditorPlayback::isPlayingChanged, &EditorPlayback::loopPlaybackChanged})
        connect(&editor.playback(), signal, this, &EditorTimeline::refresh);
    m_stripBox->installEventFilter(this);
    refresh();
    arrange(true);
}

QWidget* EditorTimeline::makeTrimEdge(bool start)
{
    auto* edge = new QWidget(m_trim);
    auto* row = new QHBoxLayout(edge);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    auto* name = new StudioLabel(start ? QStringLiteral("In") : QStringLiteral("Out"), StudioTextStyle::caption,
                                 StudioLabelRole::secondary, edge);
    name->setFixedWidth(22);
    const double duration = m_editor.document().duration();
    StudioBinding<double> value;
    if (start)
        value = {[this] { return m_editor.document().settings().trimStart; },
                 [this](const double& v) { m_editor.focus().setTrimStart(v); }};
    else
        value = {[this] { return m_editor.document().settings().trimEnd; },
                 [this](const double& v) { m_editor.focus().setTrimEnd(v); }};
    auto* slider = start ? new StudioSlider(value, 0, std::max(duration - 0.1, 0.0), std::nullopt, edge)
                         : new StudioSlider(value, 0.1, std::max(duration, 0.1), std::nullopt, edge);
    slider->setMinimumWidth(80);
    slider->setAccessibleName(start ? QStringLiteral("Trim in") : QStringLiteral("Trim out"));
    connect(&m_editor.document(), &EditorDocument::settingsChanged, slider, &StudioSlider::refresh);
    auto* field = new StudioTextField(StudioControlSize::compact, edge);
    field->setFixedWidth(68);
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    field->setFont(monospacedDigits(field->font()));
    field->setAccessibleName(start ? QStringLiteral("Trim start in seconds") : QStringLiteral("Trim end in seconds"));
    field->setPlaceholderText(field->accessibleName());
    connect(field, &QLineEdit::editingFinished, this, [this, field, start] {
        bool ok = false;
        const double typed = QLocale().toDouble(field->text().trimmed(), &ok);
        if (ok && std::isfinite(typed)) {
            if (start)
                m_editor.focus().setTrimStart(typed);
            else
                m_editor.focus().setTrimEnd(typed);
        }
        refresh();
    });
    (start ? m_trimStartField : m_trimEndField) = field;
    row->addWidget(name);
    row->addWidget(slider, 1);
    row->addWidget(field);
    row->addWidget(new StudioLabel(QStringLiteral("s"), StudioTextStyle::caption, StudioLabelRole::tertiary, edge));
    return edge;
}

void EditorTimeline::refresh()
{
    const EditSettings& settings = m_editor.document().settings();
    const bool playing = m_editor.playback().isPlaying();
    m_play->setTitleAndSymbol(playing ? QStringLiteral("Pause") : QStringLiteral("Play"),
                              playing ? QStringLiteral("pause.fill") : QStringLiteral("play.fill"));
    m_play->setToolTip(m_preferences.help(QStringLiteral("Play / pause"), StudioShortcutAction::playback));
    m_current->setText(TimelineText::preciseTime(m_editor.playback().currentTime()));
    m_duration->setText(QStringLiteral("/ ") + TimelineText::time(m_editor.document().duration()));
    const int zooms = int(m_editor.document().events().size());
    m_hint->setText(TimelineText::hint(zooms));
    m_count->setText(TimelineText::zoomCount(zooms));
    const QString span = TimelineText::time(settings.trimEnd - settings.trimStart) + QStringLiteral(" selected");
    m_selected->setText(m_trimWide ? QStringLiteral("· ") + span : span);
    // The sliders' ranges follow the movie's length.
    if (m_shownDuration != m_editor.document().duration()) {
        m_shownDuration = m_editor.document().duration();
        delete m_trimIn;
        delete m_trimOut;
        m_trimIn = makeTrimEdge(true);
        m_trimOut = makeTrimEdge(false);
        arrange(true);
    }
    for (auto [field, value] : {std::pair{m_trimStartField, settings.trimStart}, std::pair{m_trimEndField, settings.trimEnd}})
        if (field && !field->hasFocus())
            field->setText(QLocale().toString(value, 'f', 2));
    layoutStrip();
    m_track->update();
}

void EditorTimeline::refreshShortcuts()
{
    m_playShortcut->setKey(shortcutFor(m_preferences, StudioShortcutAction::playback));
    m_loopShortcut->setKey(shortcutFor(m_preferences, StudioShortcutAction::loop));
    m_addZoomShortcut->setKey(shortcutFor(m_preferences, StudioShortcutAction::addZoom));
    m_addZoom->setToolTip(m_preferences.help(QStringLiteral("Add zoom"), StudioShortcutAction::addZoom));
    for (QObject* child : m_playback->children())
        if (auto* toggle = qobject_cast<StudioIconToggle*>(child))
            toggle->setToolTip(m_preferences.help(QStringLiteral("Loop playback"), StudioShortcutAction::loop));
    m_play->setToolTip(m_preferences.help(QStringLiteral("Play / pause"), StudioShortcutAction::playback));
}

void EditorTimeline::arrange(bool force)
{
    const int room = width() - 48;
    const bool transportWide = room >= m_playback->layout()->sizeHint().width() + m_addZoom->sizeHint().width()
            + m_magnification->sizeHint().width() + 3 * 12 + 8;
    const int summaryWidth = QFontMetrics(m_selected->font()).horizontalAdvance(QStringLiteral("· 00:00 selected"));
    const int trimNeeded = m_trimLabel->sizeHint().width() + m_trimIn->minimumSizeHint().width()
        + m_trimOut->minimumSizeHint().width() + summaryWidth + 3 * 10;
    const bool trimWide = room >= trimNeeded;
    if (!force && m_transport->layout() && transportWide == m_transportWide && trimWide == m_trimWide)
        return;
    m_transportWide = transportWide;
    m_trimWide = trimWide;

    delete m_transport->layout();
    if (m_transportWide) {
        auto* row = new QHBoxLayout(m_transport);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(12);
        row->addWidget(m_playback);
        row->addStretch(1);
        row->addWidget(m_addZoom);
        row->addWidget(m_magnification);
    } else {
        auto* column = new QVBoxLayout(m_transport);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(8);
        column->addWidget(m_playback, 0, Qt::AlignLeft);
        auto* line = new QHBoxLayout;
        line->setSpacing(12);
        line->addWidget(m_addZoom);
        line->addStretch(1);
        line->addWidget(m_magnification);
        column->addLayout(line);
    }

    delete m_trim->layout();
    if (m_trimWide) {
        auto* row = new QHBoxLayout(m_trim);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(10);
        row->addWidget(m_trimLabel);
        row->addWidget(m_trimIn, 1);
        row->addWidget(m_trimOut, 1);
        row->addWidget(m_selected);
    } else {
        auto* column = new QVBoxLayout(m_trim);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(8);
        auto* line = new QHBoxLayout;
        line->addWidget(m_trimLabel);
        line->addStretch(1);
        line->addWidget(m_selected);
        column->addLayout(line);
        column->addWidget(m_trimIn);
        column->addWidget(m_trimOut);
    }
    const EditSettings& settings = m_editor.document().settings();
    const QString span = TimelineText::time(settings.trimEnd - settings.trimStart) + QStringLiteral(" selected");
    m_selected->setText(m_trimWide ? QStringLiteral("· ") + span : span);
}

bool EditorTimeline::isStripScrolling() const
{
    return m_scroll->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
}

void EditorTimeline::layoutStrip()
{
    const double scale = m_scale.get ? m_scale.get() : 1.0;
    const int w = std::max(m_stripBox->width(), 1);
    const bool scrolls = scale > 1.001;
    m_scroll->setHorizontalScrollBarPolicy(scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    m_scroll->setGeometry(0, 0, m_stripBox->width(), int(stripHeight));
    const int trackWidth = scrolls ? int(std::lround(w * scale)) : w;
    if (m_track->width() != trackWidth)
        m_track->resize(trackWidth, int(TrackLayout::height));
    if (!scrolls)
        m_scroll->horizontalScrollBar()->setValue(0);
}

void EditorTimeline::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    arrange(false);
}

bool EditorTimeline::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_stripBox && event->type() == QEvent::Resize)
        layoutStrip();
    return QWidget::eventFilter(watched, event);
}

}  // namespace sablewick
