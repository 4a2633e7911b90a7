// Clicks and keys of a virtual input device made through uinput, where the kernel offers it.
#include "platform/EvdevInputMonitor.h"
#include "platform/MonotonicClock.h"

#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>

#include <QFileInfo>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace sablewick {
namespace {

struct VirtualDevice {
    libevdev* device = nullptr;
    libevdev_uinput* uinput = nullptr;

    VirtualDevice()
    {
        device = libevdev_new();
        libevdev_set_name(device, "Sablewick test input");
        libevdev_enable_event_type(device, EV_KEY);
        for (unsigned code : {unsigned(BTN_LEFT), unsigned(BTN_RIGHT), unsigned(KEY_A), unsigned(KEY_LEFTSHIFT)})
            libevdev_enable_event_code(device, EV_KEY, code, nullptr);
        libevdev_enable_event_type(device, EV_REL);
        libevdev_enable_event_code(device, EV_REL, REL_X, nullptr);
        libevdev_enable_event_code(device, EV_REL, REL_Y, nullptr);
        if (libevdev_uinput_create_from_device(device, LIBEVDEV_UINPUT_OPEN_MANAGED, &uinput) < 0)
            uinput = nullptr;
    }
    ~VirtualDevice()
    {
        if (uinput)
            libevdev_uinput_destroy(uinput);
        libevdev_free(device);
    }
    void press(unsigned code)
    {
        for (int value : {1, 0}) {
            libevdev_uinput_write_event(uinput, EV_KEY, code, value);
            libevdev_uinput_write_event(uinput, EV_SYN, SYN_REPORT, 0);
        }
    }
};

TEST(EvdevInputMonitorTest, LeftClicksAndKeysArriveWithTheirTimesAndModifiersAndOtherButtonsDoNot)
{
    if (!QFileInfo(QStringLiteral("/dev/uinput")).isWritable())
        GTEST_SKIP() << "no writable /dev/uinput to make a test device with";
    VirtualDevice input;
    ASSERT_TRUE(input.uinput);
    for (int i = 0; i < 100 && !QFileInfo::exists(libevdev_uinput_get_devnode(input.uinput)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(EvdevInputMonitor::available());

    std::mutex mutex;
    std::vector<std::pair<char, double>> seen;
    EvdevInputMonitor monitor({[&](double time) {
                                   std::lock_guard lock(mutex);
                                   seen.emplace_back('c', time);
                               },
                               [&](double time) {
                                   std::lock_guard lock(mutex);
                                   seen.emplace_back('k', time);
                               }});
    const double before = monotonicSeconds();
    input.press(BTN_LEFT);
    input.press(BTN_RIGHT);
    input.press(KEY_LEFTSHIFT);
    input.press(KEY_A);
    // A last click closes the row: the device's events come in order, so once it is seen, what
    // the other button and the modifier gave (nothing) has been seen too.
    input.press(BTN_LEFT);
    for (int i = 0; i < 500; ++i) {
        {
            std::lock_guard lock(mutex);
            if (seen.size() >= 3)
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::lock_guard lock(mutex);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].first, 'c');
    EXPECT_EQ(seen[1].first, 'k');
    EXPECT_EQ(seen[2].first, 'c');
    for (const auto& [kind, time] : seen) {
        EXPECT_GE(time, before - 0.01) << kind;
        EXPECT_LE(time, monotonicSeconds()) << kind;
    }
}

}  // namespace
}  // namespace sablewick
