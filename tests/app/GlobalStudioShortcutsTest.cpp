#include "app/GlobalStudioShortcuts.h"

#include "app/FakeSystemHotKeys.h"
#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"
#include "preferences/FakeSystemAppearance.h"

#include <gtest/gtest.h>

#include <vector>

namespace sablewick {
namespace {

using A = StudioShortcutAction;

class GlobalStudioShortcutsTest : public ::testing::Test {
protected:
    GlobalStudioShortcutsTest()
    {
        auto fake = std::make_unique<test::FakeSystemHotKeys>(keys);
        fakeKeys = fake.get();
        shortcuts = std::make_unique<GlobalStudioShortcuts>(preferences, std::move(fake),
                                                            [this](A action) { performed.push_back(action); });
    }

    static std::pair<quint32, quint32> x11(const StudioKeyBinding& binding)
    {
        return {binding.x11Keysym(), binding.x11Modifiers()};
    }

    MemoryPreferencesStore store;
    AppPreferences preferences{store, std::make_shared<test::FakeSystemAppearance>()};
    test::FakeSystemHotKeys::State keys;
    test::FakeSystemHotKeys* fakeKeys = nullptr;
    std::vector<A> performed;
    std::unique_ptr<GlobalStudioShortcuts> shortcuts;
};

TEST_F(GlobalStudioShortcutsTest, DefaultBindingsAreGrabbedUnderTheirIds)
{
    ASSERT_EQ(keys.grabbed.size(), 3u);
    EXPECT_EQ(keys.grabbed.at(1), x11(defaultBinding(A::recording)));
    EXPECT_EQ(keys.grabbed.at(2), x11(defaultBinding(A::markZoom)));
    EXPECT_EQ(keys.grabbed.at(3), x11(defaultBinding(A::captureScreenshot)));
    EXPECT_TRUE(preferences.registrationErrors().empty());
    EXPECT_TRUE(shortcuts->holdsKeys());
}

TEST_F(GlobalStudioShortcutsTest, PressesAreDispatchedOncePerHold)
{
    struct Step {
        bool down;
        quint32 id;
    };
    const std::vector<Step> steps{
        {true, 1}, {true, 1}, {true, 1},  // held: auto-repeat presses without a release
        {false, 1}, {true, 1},            // released and pressed again
        {true, 3}, {false, 3},
        {true, 2},
        {true, 7},                        // an id of ours that names no action
    };
    for (const Step& step : steps)
        step.down ? fakeKeys->press(step.id) : fakeKeys->release(step.id);
    EXPECT_EQ(performed, (std::vector<A>{A::recording, A::recording, A::captureScreenshot, A::markZoom}));
}

TEST_F(GlobalStudioShortcutsTest, RecordingAShortcutSuspendsEveryKey)
{
    preferences.setShortcutCapture(A::openImage);
    EXPECT_TRUE(keys.grabbed.empty());
    EXPECT_FALSE(shortcuts->holdsKeys());
    fakeKeys->press(1);
    EXPECT_TRUE(performed.empty());

    preferences.endShortcutCapture(A::openImage);
    EXPECT_EQ(keys.grabbed.size(), 3u);
    // The press during the capture left nothing behind: the next press acts.
    fakeKeys->press(1);
    EXPECT_EQ(performed, std::vector<A>{A::recording});
}

TEST_F(GlobalStudioShortcutsTest, TakenKeyIsUnavailableForItsActionOnly)
{
    keys.taken.insert(x11(defaultBinding(A::markZoom)));
    preferences.setShortcutOverrides({{A::loop, {std::nullopt}}});  // any change registers anew
    EXPECT_EQ(preferences.registrationErrors(),
              (std::map<A, QString>{{A::markZoom, GlobalStudioShortcuts::unavailableMessage}}));
    EXPECT_EQ(keys.grabbed.count(1), 1u);
    EXPECT_EQ(keys.grabbed.count(2), 0u);
    EXPECT_EQ(keys.grabbed.count(3), 1u);

    // Rebinding to a free combination clears the error.
    const StudioKeyBinding free{QStringLiteral("j"), 38, StudioKeyBinding::commandBit | StudioKeyBinding::optionBit};
    preferences.setShortcutOverrides({{A::markZoom, {free}}});
    EXPECT_TRUE(preferences.registrationErrors().empty());
    EXPECT_EQ(keys.grabbed.at(2), x11(free));
}

TEST_F(GlobalStudioShortcutsTest, ClearedShortcutIsReleasedWithoutAnError)
{
    preferences.setShortcutOverrides({{A::markZoom, {std::nullopt}}});
    EXPECT_EQ(keys.grabbed.count(2), 0u);
    EXPECT_EQ(keys.grabbed.size(), 2u);
    EXPECT_TRUE(preferences.registrationErrors().empty());
}

TEST_F(GlobalStudioShortcutsTest, AnyOverrideChangeRegistersAllKeysAgain)
{
    fakeKeys->press(1);
    const int before = keys.registrations;
    preferences.setShortcutOverrides({{A::loop, {std::nullopt}}});
    EXPECT_EQ(keys.registrations, before + 1);
    EXPECT_EQ(keys.grabbed.size(), 3u);
    // The held key was forgotten with the old registration: pressing it again acts.
    fakeKeys->press(1);
    EXPECT_EQ(performed, (std::vector<A>{A::recording, A::recording}));
}

TEST_F(GlobalStudioShortcutsTest, ReleasedKeysStayReleased)
{
    shortcuts->release();
    EXPECT_TRUE(keys.grabbed.empty());
    preferences.setShortcutOverrides({});
    EXPECT_TRUE(keys.grabbed.empty());
    EXPECT_FALSE(shortcuts->holdsKeys());
}

}  // namespace
}  // namespace sablewick
