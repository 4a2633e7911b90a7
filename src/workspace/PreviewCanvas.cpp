#include "workspace/PreviewCanvas.h"

#include "editor/EditorDocument.h"
#include "editor/EditorPlayback.h"
#include "media/PlaybackInterfaces.h"
#include "rendering/Background.h"
#include "rendering/Compositor.h"
#include "rendering/FrameComposer.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPointer>
#include <QThreadPool>

#include <cmath>

namespace sablewick {

PreviewCanvas::PreviewCanvas(EditorDocument& document, EditorPlayback& playback, QWidget* parent)
    : QWidget(parent)
    , m_document(document)
    , m_playback(playback)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("Video preview"));
    // While playing, each new picture of the player is composed the moment it is due, so that it
    // reaches the screen within its own frame; a free-running 60 Hz timer would meet it anywhere
    // in that frame and often paint it too late. The timer only fills in between the pictures of
    // a movie slower than 60 frames a second, so that zooms and the pointer still move smoothly:
    // it fires a little over a 60th of a second after the last composition.
    m_tick.setTimerType(Qt::PreciseTimer);
    m_tick.setSingleShot(true);
    m_tick.setInterval(1000 / 60 + 2);
    connect(&m_tick, &QTimer::timeout, this, &PreviewCanvas::compose);
    for (auto signal :
         {&EditorDocument::settingsChanged, &EditorDocument::eventsChanged, &EditorDocument::pointerSamplesChanged,
          &EditorDocument::interactionEventsChanged, &EditorDocument::editablePointerChanged})
        connect(&document, signal, this, &PreviewCanvas::changed);
    connect(&playback, &EditorPlayback::isPlayingChanged, this, &PreviewCanvas::playingChanged);
    connect(&playback, &EditorPlayback::currentTimeChanged, this, &PreviewCanvas::scheduleCompose);
    connect(&playback.player(), &VideoPlayer::frameChanged, this, [this] {
        if (!m_playback.isPlaying()) {
            scheduleCompose();
        } else if (!m_composePending) {
            m_composePending = true;
            QMetaObject::invokeMethod(this, &PreviewCanvas::compose, Qt::QueuedConnection);
        }
    });
    playingChanged();
    changed();
}

PreviewCanvas::~PreviewCanvas()
{
    // Whatever shows the movie next sees it whole.
    if (m_requestedDetail.isValid())
        m_playback.player().requestFrameSize(QSize());
}

double PreviewCanvas::previewTime() const
{
    const double t = m_playback.isPlaying() ? m_playback.player().currentTime() : m_playback.currentTime();
    return std::isfinite(t) ? t : 0;
}

bool PreviewCanvas::isCurrent() const
{
    return m_composerInputs && m_composerInputs->revision == m_document.compositionRevision()
        && m_composerInputs->size == pixelSize() && !m_dirty && !m_composePending && m_composedTime == previewTime()
        && m_composedSource.cacheKey() == m_playback.player().currentFrame().cacheKey();
}

PreviewCanvas::Inputs PreviewCanvas::currentInputs() const
{
    Inputs inputs;
    // The same scene the export composes, so that the two agree. Its trim decides which frames
    // there are, not how one looks: a trim handle's drag needs no new composer.
    inputs.scene = m_document.scene();
    inputs.scene.settings.trimStart = 0;
    inputs.scene.settings.trimEnd = 0;
    inputs.revision = m_document.compositionRevision();
    inputs.size = pixelSize();
    return inputs;
}

QSize PreviewCanvas::pixelSize() const
{
    const QSizeF pixels = QSizeF(size()) * devicePixelRatioF();
    return QSize(std::max(int(std::lround(pixels.width())), 1), std::max(int(std::lround(pixels.height())), 1));
}

void PreviewCanvas::playingChanged()
{
    if (m_playback.isPlaying())
        m_tick.start();
    else
        m_tick.stop();
    changed();
}

namespace {

// The inputs of the canvas background: a composer whose background differs from the newest
// request's is stale; one that differs only in the card, the zooms or the pointer is merely
// older, and still better than the one on screen.
// The movie size a composer lays the card out for when it composes this picture.
QSize layoutSize(const QImage& picture, QSize movie)
{
    if (picture.isNull())
        return QSize();
    return movie.isEmpty() ? picture.size() : movie;
}

bool sameBackground(const EditSettings& a, QSize aSize, const EditSettings& b, QSize bSize)
{
    return aSize == bSize && a.background == b.background && a.backgroundKind == b.backgroundKind
        && a.solidColor == b.solidColor && a.backgroundImageURL == b.backgroundImageURL
        && a.backgroundArtwork == b.backgroundArtwork && a.backgroundBlur == b.backgroundBlur;
}

}  // namespace

void PreviewCanvas::requestDetail(const Inputs& inputs)
{
    VideoPlayer& player = m_playback.player();
    const QSize movie = player.frameSize();
    const QSize detail = Compositor::detailSize(movie, inputs.size, inputs.scene.settings, inputs.scene.focusPoints);
    if (detail == m_requestedDetail && movie == m_requestedFor)
        return;
    m_requestedDetail = detail;
    m_requestedFor = movie;
    player.requestFrameSize(detail);
}

void PreviewCanvas::changed()
{
    auto inputs = std::make_shared<const Inputs>(currentInputs());
    requestDetail(*inputs);
    const bool installed = m_composerInputs && *m_composerInputs == *inputs;
    if (!installed && !(m_requested && *m_requested == *inputs)) {
        m_requested = inputs;
        if (!m_building)
            build();
    } else if (installed) {
        m_requested.reset();
    }
    m_dirty = true;
    scheduleCompose();
}

void PreviewCanvas::build()
{
    // One composer is made at a time; when it arrives the newest request, if any, is made next.
    std::shared_ptr<const Inputs> inputs = m_requested;
    if (!inputs)
        return;
    m_building = true;
    const quint64 generation = ++m_generation;
    const QImage source = m_playback.player().currentFrame();
    const QSize movie = m_playback.player().frameSize();
    const double time = previewTime();
    // A change of the zooms or the pointer alone (a zoom dragged along the timeline) keeps the
    // background, the shadow and the layer under the card of the composer on screen.
    std::shared_ptr<const FrameComposer> base;
    if (m_composer && m_composerInputs && m_composerInputs->size == inputs->size
        && m_composerInputs->scene.settings == inputs->scene.settings)
        base = m_composer;
    QPointer<PreviewCanvas> self(this);
    QThreadPool::globalInstance()->start([self, inputs, base, source, movie, time, generation] {
        std::shared_ptr<const FrameComposer> composer;
        if (base) {
            composer = std::make_shared<const FrameComposer>(*base, inputs->scene);
        } else {
            const QImage picture = Compositor::loadBackgroundPicture(inputs->scene.settings);
            composer = std::make_shared<const FrameComposer>(inputs->scene, inputs->size, picture, false);
        }
        // Composing once here builds the card geometry for this movie size off the main thread.
        QImage first;
        composer->compose(source, movie, time, first);
        QCoreApplication* application = QCoreApplication::instance();
        if (!application)
            return;
        QMetaObject::invokeMethod(
            application,
            [self, inputs, composer, first = std::move(first), source, movie, time, generation]() mutable {
                if (!self)
                    return;
                self->arrived(inputs, std::move(composer), std::move(first), source, layoutSize(source, movie), time,
                              generation);
            },
            Qt::QueuedConnection);
    });
}

void PreviewCanvas::arrived(const std::shared_ptr<const Inputs>& inputs, std::shared_ptr<const FrameComposer> composer,
                            QImage first, const QImage& source, QSize laidOutFor, double time, quint64 generation)
{
    m_building = false;
    const bool stale = m_requested
        && !sameBackground(inputs->scene.settings, inputs->size, m_requested->scene.settings, m_requested->size);
    if (!stale && generation > m_installedGeneration) {
        m_composer = std::move(composer);
        m_composerInputs = inputs;
        m_composerLaidOutFor = laidOutFor;
        m_installedGeneration = generation;
        m_frame = std::move(first);
        m_composedSource = source;
        m_composedTime = time;
        update();
        emit frameComposed();
    }
    if (m_requested && *m_requested == *inputs)
        m_requested.reset();
    // The player may have moved on while it was made.
    m_dirty = true;
    build();
    scheduleCompose();
}

void PreviewCanvas::scheduleCompose()
{
    // While playing the player's pictures and the timer compose; while paused, one composition
    // per pass of the event loop however many changes arrived in it.
    if (!m_composePending && !m_tick.isActive()) {
        m_composePending = true;
        QMetaObject::invokeMethod(this, &PreviewCanvas::compose, Qt::QueuedConnection);
    }
}

void PreviewCanvas::compose()
{
    m_composePending = false;
    if (m_playback.isPlaying())
        m_tick.start();
    if (!m_composer)
        return;
    const QImage source = m_playback.player().currentFrame();
    const double time = previewTime();
    // Nothing moved: the frame on screen is still right.
    if (!m_dirty && time == m_composedTime && source.cacheKey() == m_composedSource.cacheKey())
        return;
    // A new movie has a new size, and so needs pictures of another size.
    const QSize movie = m_playback.player().frameSize();
    if (movie != m_requestedFor)
        requestDetail(*m_composerInputs);
    // Laying the card out for a movie of a new size takes tens of milliseconds: a composer is made
    // for it on the worker, and the last frame stays up until that one arrives.
    if (!source.isNull() && layoutSize(source, movie) != m_composerLaidOutFor) {
        if (!m_requested)
            m_requested = std::make_shared<const Inputs>(currentInputs());
        if (!m_building)
            build();
        return;
    }
    m_dirty = false;
    m_composer->compose(source, movie, time, m_frame);
    m_composedSource = source;
    m_composedTime = time;
    update();
    emit frameComposed();
}

void PreviewCanvas::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_frame.isNull()) {
        p.fillRect(rect(), palette().window());
        return;
    }
    // Until the composer for a new size arrives, the last frame is stretched over the view.
    p.setRenderHint(QPainter::SmoothPixmapTransform, m_frame.size() != (QSizeF(size()) * devicePixelRatioF()).toSize());
    p.drawImage(rect(), m_frame);
}

void PreviewCanvas::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    changed();
}

}  // namespace sablewick
