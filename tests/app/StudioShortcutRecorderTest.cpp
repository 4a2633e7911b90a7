#include "app/StudioShortcutRecorder.h"

#include "components/StudioButton.h"
#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"
#include "preferences/FakeSystemAppearance.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace sablewick {
namespace {

using A = StudioShortcutAction;
constexpr auto kCtrlAlt = Qt::ControlModifier | Qt::AltModifier;

class StudioShortcutRecorderTest : public ::testing::Test {
protected:
    StudioShortcutRecorderTest()
    {
        auto* layout = new QVBoxLayout(&window);
        loop = new StudioShortcutRecorder(A::loop, preferences, &window);
        mark = new StudioShortcutRecorder(A::markZoom, preferences, &window);
        layout->addWidget(loop);
        layout->addWidget(mark);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    // Clicks the record button and lets the row take the keyboard.
    void startRecording(StudioShortcutRecorder* row)
    {
        QTest::mouseClick(row->recordButton(), Qt::LeftButton);
        QApplication::processEvents();
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool autoRepeat = false)
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
        QTest::sendKeyEvent(QTest::Press, target, key, QString(), modifiers);
        if (!autoRepeat)
            QTest::sendKeyEvent(QTest::Release, target, key, QString(), modifiers);
    }
    std::optional<StudioKeyBinding> stored(A action)
    {
        AppPreferences reread(store, std::make_shared<test::FakeSystemAppearance>());
        return reread.binding(action);
    }

    MemoryPreferencesStore store;
    AppPreferences preferences{store, std::make_shared<test::FakeSystemAppearance>()};
    QWidget window;
    StudioShortcutRecorder* loop = nullptr;
    StudioShortcutRecorder* mark = nullptr;
};

TEST_F(StudioShortcutRecorderTest, RecordsAndStoresACombination)
{
    EXPECT_EQ(loop->recordButton()->text(), defaultBinding(A::loop).display());
    startRecording(loop);
    EXPECT_TRUE(loop->isCapturing());
    EXPECT_EQ(preferences.shortcutCapture(), A::loop);
    EXPECT_EQ(loop->recordButton()->text(), StudioShortcutRecorder::promptText);
    // Assistive tools keep hearing the combination, not the prompt.
    EXPECT_EQ(loop->recordButton()->accessibleDescription(), defaultBinding(A::loop).display());

    press(Qt::Key_Control, Qt::ControlModifier);  // on the way to the combination
    EXPECT_TRUE(loop->isCapturing());
    EXPECT_FALSE(loop->message());
    press(Qt::Key_J, kCtrlAlt);
    EXPECT_FALSE(loop->isCapturing());
    EXPECT_EQ(preferences.shortcutCapture(), std::nullopt);
    const StudioKeyBinding expected = *StudioKeyBinding::capture(Qt::Key_J, kCtrlAlt);
    EXPECT_EQ(preferences.binding(A::loop), expected);
    EXPECT_EQ(stored(A::loop), expected) << "saved at once";
    EXPECT_EQ(loop->recordButton()->text(), expected.display());
}

TEST_F(StudioShortcutRecorderTest, KeysThatEndOrKeepTheRecording)
{
    struct Case {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool stillRecording;
        std::optional<QString> message;  // empty string: any message
    };
    const Case cases[] = {
        {"escape alone cancels", Qt::Key_Escape, Qt::NoModifier, false, std::nullopt},
        {"a key the table does not know", Qt::Key_LaunchMail, Qt::ControlModifier, true,
         StudioShortcutRecorder::noKeyMessage},
        {"no modifier that spares typing", Qt::Key_Q, Qt::ShiftModifier, false, QString()},
        {"taken by another action", Qt::Key_Z, Qt::ControlModifier, false, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startRecording(loop);
        ASSERT_TRUE(loop->isCapturing());
        press(c.key, c.modifiers);
        EXPECT_EQ(loop->isCapturing(), c.stillRecording);
        if (!c.message)
            EXPECT_FALSE(loop->message());
        else if (c.message->isEmpty())
            EXPECT_TRUE(loop->message() && !loop->message()->isEmpty());
        else
            EXPECT_EQ(loop->message(), c.message);
        EXPECT_EQ(loop->messageLabel()->isVisibleTo(&window), loop->message().has_value());
        EXPECT_EQ(preferences.binding(A::loop), defaultBinding(A::loop)) << "nothing stored";
        loop->setCapturing(false);
    }

    // Escape with a modifier is a combination like any other, validated and stored.
    startRecording(loop);
    press(Qt::Key_Escape, Qt::ControlModifier);
    EXPECT_FALSE(loop->isCapturing());
    EXPECT_EQ(preferences.binding(A::loop), StudioKeyBinding::capture(Qt::Key_Escape, Qt::ControlModifier));
}

// A key still held from before (its repeats) is not a new combination.
TEST_F(StudioShortcutRecorderTest, AutoRepeatIsIgnored)
{
    startRecording(loop);
    const QKeyEvent repeat(QEvent::KeyPress, Qt::Key_J, kCtrlAlt, QString(), /*autorep=*/true);
    loop->handleKey(repeat);
    EXPECT_TRUE(loop->isCapturing());
    EXPECT_EQ(preferences.binding(A::loop), defaultBinding(A::loop));
}

TEST_F(StudioShortcutRecorderTest, WindowShortcutsDoNotRunWhileRecording)
{
    int triggered = 0;
    auto* action = new QAction(&window);
    action->setShortcut(QKeySequence(Qt::ControlModifier | Qt::AltModifier | Qt::Key_K));
    window.addAction(action);
    QObject::connect(action, &QAction::triggered, [&] { ++triggered; });

    startRecording(loop);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_K, kCtrlAlt);
    EXPECT_EQ(triggered, 0);
    EXPECT_EQ(preferences.binding(A::loop), *StudioKeyBinding::capture(Qt::Key_K, kCtrlAlt));

    QTest::keyClick(&window, Qt::Key_K, kCtrlAlt);
    EXPECT_EQ(triggered, 1) << "the shortcut works again once the row stopped recording";
}

TEST_F(StudioShortcutRecorderTest, OneRowRecordsAtATime)
{
    startRecording(loop);
    startRecording(mark);
    EXPECT_FALSE(loop->isCapturing());
    EXPECT_TRUE(mark->isCapturing());
    EXPECT_EQ(preferences.shortcutCapture(), A::markZoom);
    press(Qt::Key_Escape);
    EXPECT_FALSE(mark->isCapturing());
    EXPECT_EQ(preferences.shortcutCapture(), std::nullopt);
}

TEST_F(StudioShortcutRecorderTest, ClearingLeavesNoShortcutRatherThanTheDefault)
{
    loop->clearButton()->click();
    EXPECT_EQ(preferences.binding(A::loop), std::nullopt);
    EXPECT_EQ(stored(A::loop), std::nullopt);
    ASSERT_EQ(preferences.shortcutOverrides().count(A::loop), 1u);
    EXPECT_EQ(loop->recordButton()->text(), StudioShortcutRecorder::notSetText);
    EXPECT_FALSE(loop->clearButton()->isEnabled());
}

TEST_F(StudioShortcutRecorderTest, RefusedHotKeyIsShownUnlessTheRowHasItsOwnMessage)
{
    preferences.setRegistrationErrors({{A::markZoom, QStringLiteral("unavailable")}});
    EXPECT_EQ(mark->messageLabel()->text(), "unavailable");
    EXPECT_TRUE(mark->messageLabel()->isVisibleTo(&window));
    EXPECT_FALSE(loop->messageLabel()->isVisibleTo(&window));

    startRecording(mark);
    press(Qt::Key_Q, Qt::ShiftModifier);
    ASSERT_TRUE(mark->message());
    EXPECT_NE(mark->messageLabel()->text(), "unavailable");
}

TEST_F(StudioShortcutRecorderTest, RowThatGoesAwayEndsItsCapture)
{
    startRecording(mark);
    delete mark;
    EXPECT_EQ(preferences.shortcutCapture(), std::nullopt);
}

}  // namespace
}  // namespace sablewick
