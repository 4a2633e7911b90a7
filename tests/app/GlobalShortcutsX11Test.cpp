// The system-wide keys on the private X server: real grabs, real key presses through XTEST.
#include "app/GlobalStudioShortcuts.h"

#include "app/StudioSession.h"
#include "editor/EditorTestSupport.h"
#include "recording/FakeCaptureBackend.h"
#include "recording/Recorder.h"

#include "platform/PreferencesStore.h"
#include "platform/X11HotKeys.h"
#include "preferences/AppPreferences.h"
#include "preferences/FakeSystemAppearance.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <chrono>
#include <functional>
#include <vector>

namespace sablewick {
namespace {

using A = StudioShortcutAction;

void xdotool(const QStringList& arguments)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), arguments);
    ASSERT_TRUE(p.waitForFinished(10000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
}

bool waitUntil(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition() && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return condition();
}

// Another X client holding a key on the root window, as a desktop's own shortcuts do.
class OtherClientGrab {
public:
    explicit OtherClientGrab(const StudioKeyBinding& binding) : m_display(XOpenDisplay(nullptr))
    {
        m_keycode = XKeysymToKeycode(m_display, binding.x11Keysym());
        m_modifiers = binding.x11Modifiers();
        XGrabKey(m_display, m_keycode, m_modifiers, DefaultRootWindow(m_display), False, GrabModeAsync,
                 GrabModeAsync);
        XSync(m_display, False);
    }
    ~OtherClientGrab() { XCloseDisplay(m_display); }

private:
    Display* m_display;
    unsigned m_keycode = 0;
    unsigned m_modifiers = 0;
};

// Keys other than the defaults, which an application under test may hold meanwhile.
StudioKeyBinding otherKey(Qt::Key key)
{
    return *StudioKeyBinding::capture(key, Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

TEST(GlobalShortcutsX11Test, PressedKeysReachTheirActionsAndATakenKeyFailsAlone)
{
    ASSERT_NE(qgetenv("DISPLAY"), QByteArray()) << "x11 tests run under the test command's Xvfb";
    OtherClientGrab other(otherKey(Qt::Key_K));

    MemoryPreferencesStore store;
    AppPreferences preferences(store, std::make_shared<test::FakeSystemAppearance>());
    preferences.setShortcutOverrides({{A::recording, {otherKey(Qt::Key_J)}},
                                      {A::markZoom, {otherKey(Qt::Key_K)}},
                                      {A::captureScreenshot, {otherKey(Qt::Key_L)}}});
    std::vector<A> performed;
    auto keys = X11HotKeys::open();
    ASSERT_TRUE(keys);
    GlobalStudioShortcuts shortcuts(preferences, std::move(keys), [&](A action) { performed.push_back(action); });

    EXPECT_EQ(preferences.registrationErrors(),
              (std::map<A, QString>{{A::markZoom, GlobalStudioShortcuts::unavailableMessage}}));
    EXPECT_EQ(shortcuts.registered(), (std::set<A>{A::recording, A::captureScreenshot}));

    xdotool({"key", "ctrl+alt+super+j"});
    ASSERT_TRUE(waitUntil([&] { return performed.size() == 1; }));
    xdotool({"key", "ctrl+alt+super+l"});
    ASSERT_TRUE(waitUntil([&] { return performed.size() == 2; }));
    EXPECT_EQ(performed, (std::vector<A>{A::recording, A::captureScreenshot}));

    // With Caps Lock on the key still arrives.
    xdotool({"key", "Caps_Lock"});
    xdotool({"key", "ctrl+alt+super+j"});
    xdotool({"key", "Caps_Lock"});
    ASSERT_TRUE(waitUntil([&] { return performed.size() == 3; }));

    // A key held past the repeat delay is one press.
    xdotool({"keydown", "ctrl+alt+super+l"});
    ASSERT_TRUE(waitUntil([&] { return performed.size() == 4; }));
    const auto held = std::chrono::steady_clock::now() + std::chrono::milliseconds(900);
    while (std::chrono::steady_clock::now() < held)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    xdotool({"keyup", "ctrl+alt+super+l"});
    xdotool({"key", "ctrl+alt+super+j"});
    ASSERT_TRUE(waitUntil([&] { return performed.size() >= 5; }));
    EXPECT_EQ(performed, (std::vector<A>{A::recording, A::captureScreenshot, A::recording,
                                         A::captureScreenshot, A::recording}));

    // While a shortcut is being recorded the keys go to whoever has the focus, not to us.
    preferences.setShortcutCapture(A::save);
    xdotool({"key", "ctrl+alt+super+j"});
    preferences.endShortcutCapture(A::save);
    xdotool({"key", "ctrl+alt+super+l"});
    ASSERT_TRUE(waitUntil([&] { return performed.size() >= 6; }));
    EXPECT_EQ(performed.back(), A::captureScreenshot);
    EXPECT_EQ(performed.size(), 6u);
}

// The recording key on a whole session: it asks for the setup (which starts the recording), then
// stops the recording under way.
TEST(GlobalShortcutsX11Test, RecordingKeyStartsAndStopsARecording)
{
    test::EditorBench bench;
    MemoryPreferencesStore store;
    AppPreferences preferences(store, std::make_shared<test::FakeSystemAppearance>());
    test::FakeCaptureBackend capture;
    StudioSessionServices services;
    services.defaults = &store;
    services.preferences = &preferences;
    services.editor = bench.services;
    services.makeHotKeys = [] { return std::unique_ptr<SystemHotKeys>(X11HotKeys::open()); };
    services.capture = &capture;
    services.recordingsFolder = bench.path("Recordings");
    StudioSession session(std::move(services));
    ASSERT_TRUE(session.globalShortcuts()->holdsKeys());

    // The setup sheet answers the request by starting the recording.
    QObject::connect(&session, &StudioSession::recordingSetupRequestedChanged, [&] {
        if (!session.recordingSetupRequested())
            return;
        session.setRecordingSetupRequested(false);
        session.recorder()->start(RecordingOptions());
        capture.completeStart(capture.clock);
    });
    xdotool({"key", "ctrl+alt+super+r"});
    ASSERT_TRUE(waitUntil([&] { return session.recorder()->isRecording(); })) << "the key did not start a recording";

    xdotool({"key", "ctrl+alt+super+r"});
    ASSERT_TRUE(waitUntil([&] { return session.recorder()->isFinalizing(); })) << "the key did not stop it";
    capture.lastEvents.finished();
    EXPECT_TRUE(waitUntil([&] { return session.recorder()->finishedURL().has_value(); }));
}

}  // namespace
}  // namespace sablewick
