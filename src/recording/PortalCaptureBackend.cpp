#include "recording/PortalCaptureBackend.h"

#include "platform/EvdevInputMonitor.h"
#include "platform/MonotonicClock.h"
#include "platform/PipeWireScreenStream.h"
#include "platform/PortalScreenCast.h"
#include "platform/PreferencesStore.h"
#include "platform/ThreadName.h"
#include "platform/WorkerThread.h"
#include "platform/WaylandOutputs.h"
#include "recording/DefaultMicrophone.h"
#include "recording/ScreenCaptureSession.h"

namespace sablewick {

namespace {

// The compositor sends the first picture of a new stream at once; this leaves room for a busy one.
constexpr double kFirstFrameTimeout = 5.0;

// What a portal capture holds while it runs: the stream goes before the portal session it uses.
struct PortalShare {
    std::shared_ptr<PortalScreenCastSession> session;
    std::shared_ptr<PipeWireScreenStream> stream;
};

// The recording of a shared display, which knows whether the portal sends the pointer beside
// the pictures.
class PortalSession : public CaptureSession {
public:
    PortalSession(std::shared_ptr<CaptureSession> recording, bool pointerApart)
        : m_recording(std::move(recording))
        , m_pointerApart(pointerApart)
    {
    }
    double startTime() const override { return m_recording->startTime(); }
    void finishMovie() override { m_recording->finishMovie(); }
    void stopCapture() override { m_recording->stopCapture(); }
    bool pointerApart() const override { return m_pointerApart; }

private:
    std::shared_ptr<CaptureSession> m_recording;
    bool m_pointerApart;
};

class NoInput : public InputMonitor {};

// Clicks and keys from the input devices, placed where the portal last showed the pointer.
class DeviceInput : public InputMonitor {
public:
    DeviceInput(InputEvents events, std::function<QPointF()> pointer)
        : m_events(std::move(events))
        , m_pointer(std::move(pointer))
        , m_monitor(EvdevInputMonitor::Callbacks{[this](double time) {
                                                     if (m_events.leftClick)
                                                         m_events.leftClick(time, m_pointer());
                                                 },
                                                 [this](double time) {
                                                     if (m_events.keyDown)
                                                         m_events.keyDown(time, m_pointer());
                                                 },
                                                 [this](const std::string& reason) {
                                                     if (m_events.failed)
                                                         m_events.failed(reason);
                                                 }})
    {
    }

private:
    InputEvents m_events;
    std::function<QPointF()> m_pointer;
    EvdevInputMonitor m_monitor;  // last: its thread stops before the members it uses go
};

}  // namespace

PortalCaptureBackend::PortalCaptureBackend(PreferencesStore* preferences)
    : m_preferences(preferences)
    , m_portalRequests(std::make_unique<QObject>())
{
}

PortalCaptureBackend::~PortalCaptureBackend()
{
    m_portalRequests.reset();  // a portal answer after this finds no one to tell
    for (std::thread& starter : m_starters)
        if (starter.joinable())
            starter.join();
}

std::optional<QString> PortalCaptureBackend::defaultMicrophone() { return DefaultMicrophone::identifier(); }
std::optional<QString> PortalCaptureBackend::defaultMicrophoneName() { return DefaultMicrophone::name(); }
std::unique_ptr<DeviceWatch> PortalCaptureBackend::watchMicrophones(std::function<void()> changed)
{
    return DefaultMicrophone::watch(std::move(changed));
}

QString PortalCaptureBackend::restoreToken() const
{
    if (!m_preferences)
        return m_token;
    const QVariant value = m_preferences->value(QString::fromLatin1(restoreTokenKey));
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

void PortalCaptureBackend::keepRestoreToken(const QString& token)
{
    if (!m_preferences)
        m_token = token;
    else
        m_preferences->setValue(QString::fromLatin1(restoreTokenKey), token);
}

std::vector<CaptureDisplay> PortalCaptureBackend::displays()
{
    std::vector<WaylandOutputs::Output> outputs;
    try {
        outputs = WaylandOutputs::current();
    } catch (const WaylandError& error) {
        throw CaptureError(QString::fromStdString(error.what()));
    }
    m_layout = WaylandOutputs::layout(outputs);
    std::vector<CaptureDisplay> list;
    for (const WaylandOutputs::Output& o : outputs)
        list.push_back({o.display.id, o.display.name, QSizeF(o.display.geometry.size()), double(o.scale),
                        m_layout->globalFrame(o.display.geometry)});
    return list;
}

std::optional<std::uint32_t> PortalCaptureBackend::mainDisplayID()
{
    if (!m_layout) {
        try {
            displays();
        } catch (const CaptureError&) {
            return std::nullopt;
        }
    }
    if (const DisplayInfo* main = m_layout->main())
        return main->id;
    return std::nullopt;
}

void PortalCaptureBackend::startCapture(const CaptureRequest& request, CaptureEvents events,
                                        std::function<void(CaptureStart)> done)
{
    // The portal, not the application, decides which display is shared: the user picks it in
    // the portal's dialog. The movie keeps the size asked for and the picture is scaled into it.
    auto* cast = new PortalScreenCast(m_portalRequests.get());
    cast->start(restoreToken(), request.showPointer, [this, cast, request, events, done](PortalScreenCastResult result) {
        cast->deleteLater();
        if (result.outcome == PortalResponse::Outcome::cancelled) {
            done(CaptureStart{nullptr, CaptureError(QStringLiteral("Screen sharing was cancelled."),
                                                    CaptureError::Kind::cancelled)});
            return;
        }
        if (result.outcome != PortalResponse::Outcome::success || !result.stream) {
            done(CaptureStart{nullptr, CaptureError(result.error)});
            return;
        }
        if (!result.restoreToken.isEmpty())
            keepRestoreToken(result.restoreToken);
        const PortalScreenCastStream shared = *result.stream;
        ScreenRecordingSettings settings = screenRecordingSettings(request);
        m_starters.emplace_back(
            [this, settings, shared, session = result.session, events, done, frame = request.display.frame]() mutable {
                nameCurrentThread("rec starter");
                std::shared_ptr<CaptureSession> started;
                const auto failed = [&](const std::string& reason) {
                    done(CaptureStart{nullptr, CaptureError(QString::fromStdString(reason))});
                };
                runCatchingAll(
                    [&] {
                        auto share = std::make_shared<PortalShare>();
                        share->session = std::move(session);
                        share->stream =
                            std::make_shared<PipeWireScreenStream>(shared.remote, shared.node, kFirstFrameTimeout);
                        settings.source = share->stream;
                        *m_stream.lock() = {share->stream, frame, shared.pointerInMetadata};
                        started = std::make_shared<PortalSession>(startScreenCapture(settings, events, share),
                                                                  shared.pointerInMetadata);
                    },
                    "The capture did not start.", failed);
                if (started)
                    done(CaptureStart{std::move(started), std::nullopt});
            });
    });
}

double PortalCaptureBackend::now() { return monotonicSeconds(); }

QPointF PortalCaptureBackend::pointerLocation()
{
    std::shared_ptr<PipeWireScreenStream> stream;
    QRectF frame;
    {
        const auto running = m_stream.lock();
        stream = running->stream.lock();
        frame = running->frame;
    }
    const std::optional<QPointF> p = stream ? stream->pointer() : std::nullopt;
    const QSize size = stream ? stream->size() : QSize();
    if (!p || size.isEmpty() || frame.isEmpty())
        return {-1e9, -1e9};  // nowhere: outside every display
    // Stream pixels (y down) to the display's frame in global coordinates (y up).
    const double x = frame.left() + (p->x() + 0.5) * frame.width() / size.width();
    const double y = frame.bottom() - (p->y() + 0.5) * frame.height() / size.height();
    return {x, y};
}

std::function<PointerReading()> PortalCaptureBackend::pointerReader()
{
    // The stream's pointer is read under its own lock; the backend outlives every recording.
    return [this] { return PointerReading{monotonicSeconds(), pointerLocation()}; };
}

bool PortalCaptureBackend::pointerMetadata()
{
    // The portal's abilities do not change while it runs; an unanswered question is asked again.
    if (!m_pointerMetadata)
        m_pointerMetadata = PortalScreenCast::offersPointerMetadata();
    return m_pointerMetadata.value_or(false);
}

// Clicks and typing are placed where the pointer is: without its position from the portal, the
// input devices are of no use.
bool PortalCaptureBackend::canMonitorInput() { return EvdevInputMonitor::available() && pointerMetadata(); }

std::optional<QString> PortalCaptureBackend::inputUnavailableReason()
{
    if (!pointerMetadata())
        return QStringLiteral("This Wayland desktop does not share the pointer's position: the pointer stays part of "
                              "the picture, and clicks and typing make no zooms.");
    return QStringLiteral("On Wayland, clicks and typing make zooms for members of the input group only; the "
                          "pointer's path is recorded.");
}

std::unique_ptr<InputMonitor> PortalCaptureBackend::monitorInput(InputEvents events)
{
    // Without readable input devices nothing reaches a Wayland client of what other applications
    // receive, and without the pointer's position from the stream a click has no place: the
    // recording then has no clicks or typing, as the setup sheet says beforehand.
    const bool pointerInStream = m_stream.lock()->pointer;
    if (!pointerInStream || !EvdevInputMonitor::available())
        return std::make_unique<NoInput>();
    try {
        return std::make_unique<DeviceInput>(std::move(events), [this] { return pointerLocation(); });
    } catch (const EvdevError& error) {
        throw CaptureError(QString::fromStdString(error.what()));
    }
}

}  // namespace sablewick
