#include "recording/X11CaptureBackend.h"

#include "media/MediaError.h"
#include "platform/MonotonicClock.h"
#include "platform/ThreadName.h"
#include "platform/WorkerThread.h"
#include "recording/DefaultMicrophone.h"
#include "recording/ScreenCaptureSession.h"

namespace sablewick {

namespace {

// Typing is placed where the caret is only when the focused application says so at once; the
// pointer does otherwise, and the recording never waits on a slow application.
constexpr std::chrono::milliseconds kCaretBudget{15};

class X11Monitor : public InputMonitor {
public:
    X11Monitor(InputEvents events, DisplayLayout layout, std::vector<X11KeyChord> ignored)
        : m_events(std::move(events))
        , m_layout(std::move(layout))
        , m_monitor(X11InputMonitor::Callbacks{[this](double time, QPoint p) {
                                                   if (m_events.leftClick)
                                                       m_events.leftClick(time, m_layout.globalPoint(p));
                                               },
                                               [this](double time, QPoint p) {
                                                   if (m_events.keyDown)
                                                       m_events.keyDown(time, m_layout.globalPoint(p));
                                               },
                                               [this](const std::string& reason) {
                                                   if (m_events.failed)
                                                       m_events.failed(reason);
                                               }},
                    std::move(ignored))
    {
    }

private:
    InputEvents m_events;
    DisplayLayout m_layout;
    X11InputMonitor m_monitor;  // last: its thread stops before the members it uses go
};

}  // namespace

X11CaptureBackend::X11CaptureBackend() = default;

X11CaptureBackend::~X11CaptureBackend()
{
    for (std::thread& starter : m_starters)
        if (starter.joinable())
            starter.join();
}

void X11CaptureBackend::setIgnoredKeys(std::vector<X11KeyChord> chords) { m_ignoredKeys = std::move(chords); }
void X11CaptureBackend::setPreset(std::string preset) { m_preset = std::move(preset); }

std::optional<QString> X11CaptureBackend::defaultMicrophone() { return DefaultMicrophone::identifier(); }
std::optional<QString> X11CaptureBackend::defaultMicrophoneName() { return DefaultMicrophone::name(); }
std::unique_ptr<DeviceWatch> X11CaptureBackend::watchMicrophones(std::function<void()> changed)
{
    return DefaultMicrophone::watch(std::move(changed));
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
    if (!m_layout)
        m_layout = DisplayList::current();
    return *m_layout;
}

std::vector<CaptureDisplay> X11CaptureBackend::displays()
{
    try {
        m_layout = DisplayList::current();
    } catch (const X11Error& error) {
        throw CaptureError(QString::fromStdString(error.what()));
    }
    std::vector<CaptureDisplay> list;
    for (const DisplayInfo& d : m_layout->displays)
        list.push_back({d.id, d.name, QSizeF(d.geometry.size()), 1.0, m_layout->globalFrame(d.geometry)});
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
    ScreenRecordingSettings settings = screenRecordingSettings(request);
    settings.area = display->geometry;
    settings.preset = m_preset;
    m_starters.emplace_back([settings, events, done] {
        nameCurrentThread("rec starter");
        std::shared_ptr<CaptureSession> session;
        runCatchingAll([&] { session = startScreenCapture(settings, events); }, "The capture did not start.",
                       [&](const std::string& reason) {
                           done(CaptureStart{nullptr, CaptureError(QString::fromStdString(reason))});
                       });
        if (session)
            done(CaptureStart{std::move(session), std::nullopt});
    });
}

double X11CaptureBackend::now() { return monotonicSeconds(); }

namespace {

constexpr QPointF kNowhere(-1e9, -1e9);  // outside every display

QPointF locate(std::unique_ptr<X11Pointer>& pointer, const DisplayLayout& layout)
{
    try {
        if (!pointer)
            pointer = std::make_unique<X11Pointer>();
        return layout.globalPoint(pointer->position());
    } catch (const X11Error&) {
        return kNowhere;
    }
}

}  // namespace

QPointF X11CaptureBackend::pointerLocation()
{
    try {
        return locate(m_pointer, layout());
    } catch (const X11Error&) {
        return kNowhere;
    }
}

std::function<PointerReading()> X11CaptureBackend::pointerReader()
{
    // A connection of the reader's own, on its thread, and the layout as it is now: the displays
    // the recording was set up for.
    DisplayLayout current;
    try {
        current = layout();
    } catch (const X11Error&) {
        return {};
    }
    auto pointer = std::make_shared<std::unique_ptr<X11Pointer>>();
    try {
        *pointer = std::make_unique<X11Pointer>();  // opened now: the first sample is not late
    } catch (const X11Error&) {
        // Opened by the first reading, which is then nowhere until the server answers.
    }
    return [pointer, current] { return PointerReading{monotonicSeconds(), locate(*pointer, current)}; };
}

std::optional<QPointF> X11CaptureBackend::caretLocation()
{
    if (!m_caret)
        return std::nullopt;
    if (const std::optional<QPoint> caret = m_caret->locate(kCaretBudget))
        return layout().globalPoint(*caret);
    return std::nullopt;
}

std::unique_ptr<InputMonitor> X11CaptureBackend::monitorInput(InputEvents events)
{
    if (!m_caret)
        m_caret = std::make_unique<AtspiCaret>();
    try {
        return std::make_unique<X11Monitor>(std::move(events), layout(), m_ignoredKeys);
    } catch (const X11Error& error) {
        throw CaptureError(QString::fromStdString(error.what()));
    }
}

}  // namespace sablewick
