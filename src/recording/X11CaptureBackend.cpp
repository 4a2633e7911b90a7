#include "recording/X11CaptureBackend.h"

#include "media/MediaError.h"
#include "media/ScreenRecording.h"
#include "platform/MonotonicClock.h"
#include "platform/PulseConnection.h"

#include <QFileInfo>

namespace sablewick {

namespace {

constexpr double kAudioServerTimeout = 1.0;

class X11Session : public CaptureSession {
public:
    explicit X11Session(std::unique_ptr<ScreenRecording> recording) : recording_(std::move(recording)) {}
    double startTime() const override { return recording_->startTime(); }
    void finishMovie() override { recording_->finishMovie(); }
    void stopCapture() override { recording_->stopCapture(); }

private:
    std::unique_ptr<ScreenRecording> recording_;
};

class X11Monitor : public InputMonitor {
public:
    X11Monitor(InputEvents events, DisplayLayout layout, std::vector<X11KeyChord> ignored)
        : events_(std::move(events))
        , layout_(std::move(layout))
        , monitor_(X11InputMonitor::Callbacks{
                       [this](QPoint p) {
                           if (events_.leftClick)
                               events_.leftClick(monotonicSeconds(), layout_.globalPoint(p));
                       },
                       [this](QPoint p) {
                           if (events_.keyDown)
                               events_.keyDown(monotonicSeconds(), layout_.globalPoint(p));
                       }},
                   std::move(ignored))
    {
    }

private:
    InputEvents events_;
    DisplayLayout layout_;
    X11InputMonitor monitor_;  // last: its thread stops before the members it uses go
};

QString fileName(const QString& path) { return QFileInfo(path).fileName(); }

}  // namespace

X11CaptureBackend::X11CaptureBackend() = default;

X11CaptureBackend::~X11CaptureBackend()
{
    for (std::thread& starter : starters_)
        if (starter.joinable())
            starter.join();
}

void X11CaptureBackend::setIgnoredKeys(std::vector<X11KeyChord> chords) { ignoredKeys_ = std::move(chords); }
void X11CaptureBackend::setPreset(std::string preset) { preset_ = std::move(preset); }

namespace {

// The default source when it is a microphone: a monitor of an output is what the system plays.
std::optional<PulseConnection::ServerNames> microphoneSource()
{
    try {
        PulseConnection connection("Sablewick", kAudioServerTimeout);
        PulseConnection::ServerNames names = connection.serverNames(kAudioServerTimeout);
        if (names.defaultSource.empty() || names.defaultSourceIsMonitor)
            return std::nullopt;
        return names;
    } catch (const PulseError&) {
        return std::nullopt;
    }
}

}  // namespace

std::optional<QString> X11CaptureBackend::defaultMicrophone()
{
    if (const auto names = microphoneSource())
        return QString::fromStdString(names->defaultSource);
    return std::nullopt;
}

std::optional<QString> X11CaptureBackend::defaultMicrophoneName()
{
    const auto names = microphoneSource();
    if (!names)
        return std::nullopt;
    return QString::fromStdString(names->defaultSourceDescription.empty() ? names->defaultSource
                                                                          : names->defaultSourceDescription);
}

bool X11CaptureBackend::canMonitorInput()
{
    // X11 lets any client see raw input; only a server without XInput 2 keeps it out.
    try {
        X11InputMonitor probe({}, {});
        return true;
    } catch (const X11Error&) {
        return false;
    }
}

DisplayLayout X11CaptureBackend::layout()
{
    if (!layout_)
        layout_ = DisplayList::current();
    return *layout_;
}

std::vector<CaptureDisplay> X11CaptureBackend::displays()
{
    try {
        layout_ = DisplayList::current();
    } catch (const X11Error& error) {
        throw CaptureError(QString::fromStdString(error.what()));
    }
    std::vector<CaptureDisplay> list;
    for (const DisplayInfo& d : layout_->displays)
        list.push_back({d.id, d.name, QSizeF(d.geometry.size()), 1.0, layout_->globalFrame(d.geometry)});
    return list;
}

std::optional<std::uint32_t> X11CaptureBackend::mainDisplayID()
{
    const DisplayLayout current = layout();
    if (const DisplayInfo* main = current.main())
        return main->id;
    return std::nullopt;
}

void X11CaptureBackend::startCapture(const CaptureRequest& request, CaptureEvents events,
                                     std::function<void(CaptureStart)> done)
{
    DisplayLayout current = layout();
    const DisplayInfo* display = current.find(request.display.id);
    if (!display) {
        done(CaptureStart{nullptr, CaptureError(QStringLiteral("That display is no longer connected."))});
        return;
    }
    ScreenRecordingSettings settings;
    settings.area = display->geometry;
    settings.pixelSize = request.pixelSize;
    settings.framesPerSecond = request.framesPerSecond;
    settings.path = request.moviePath.toStdString();
    settings.preset = preset_;
    settings.systemAudio = request.systemAudio;
    settings.microphone = request.microphone;
    settings.microphoneSource = request.microphoneDevice.value_or(QString()).toStdString();
    const QString movieName = fileName(request.moviePath);
    starters_.emplace_back([settings, events, done, movieName] {
        ScreenRecording::Events reports;
        reports.finished = events.finished;
        reports.failed = [events, movieName](ScreenRecording::Failure failure, const std::string& reason) {
            if (!events.failed)
                return;
            if (failure == ScreenRecording::Failure::diskFull)
                events.failed(CaptureError(
                    QStringLiteral("The disk is full. What was recorded until then is kept in \"%1\".").arg(movieName),
                    CaptureError::Kind::diskFull));
            else
                events.failed(CaptureError(QString::fromStdString(reason)));
        };
        reports.stopped = [events](const std::string& reason) {
            if (events.stopped)
                events.stopped(CaptureError(QString::fromStdString(reason)));
        };
        try {
            auto recording = std::make_unique<ScreenRecording>(settings, reports);
            done(CaptureStart{std::make_shared<X11Session>(std::move(recording)), std::nullopt});
        } catch (const std::exception& error) {
            done(CaptureStart{nullptr, CaptureError(QString::fromStdString(error.what()))});
        }
    });
}

double X11CaptureBackend::now() { return monotonicSeconds(); }

QPointF X11CaptureBackend::pointerLocation()
{
    try {
        if (!pointer_)
            pointer_ = std::make_unique<X11Pointer>();
        return layout().globalPoint(pointer_->position());
    } catch (const X11Error&) {
        return {-1e9, -1e9};  // nowhere: outside every display
    }
}

std::unique_ptr<InputMonitor> X11CaptureBackend::monitorInput(InputEvents events)
{
    try {
        return std::make_unique<X11Monitor>(std::move(events), layout(), ignoredKeys_);
    } catch (const X11Error& error) {
        throw CaptureError(QString::fromStdString(error.what()));
    }
}

}  // namespace sablewick
