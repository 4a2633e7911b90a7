#include "platform/EvdevInputMonitor.h"

#include "platform/ThreadName.h"
#include "platform/WorkerThread.h"

#include <libevdev/libevdev.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <QDir>

#include <cerrno>
#include <ctime>
#include <thread>
#include <vector>

namespace sablewick {

namespace {

bool isModifier(unsigned code)
{
    switch (code) {
    case KEY_LEFTCTRL: case KEY_RIGHTCTRL: case KEY_LEFTSHIFT: case KEY_RIGHTSHIFT: case KEY_LEFTALT:
    case KEY_RIGHTALT: case KEY_LEFTMETA: case KEY_RIGHTMETA: case KEY_CAPSLOCK: case KEY_NUMLOCK:
    case KEY_FN:
        return true;
    default:
        return false;
    }
}

struct Device {
    int fd = -1;
    libevdev* evdev = nullptr;
};

void close(Device& device)
{
    if (device.evdev)
        libevdev_free(device.evdev);
    if (device.fd >= 0)
        ::close(device.fd);
    device = {};
}

// The readable devices with a left button or letter keys, their times on the monotonic clock.
std::vector<Device> openDevices()
{
    std::vector<Device> devices;
    const QStringList names = QDir(QStringLiteral("/dev/input")).entryList({QStringLiteral("event*")}, QDir::System);
    for (const QString& name : names) {
        Device device;
        device.fd = ::open(("/dev/input/" + name).toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (device.fd < 0)
            continue;
        if (libevdev_new_from_fd(device.fd, &device.evdev) < 0 ||
            !(libevdev_has_event_code(device.evdev, EV_KEY, BTN_LEFT) ||
              libevdev_has_event_code(device.evdev, EV_KEY, KEY_A)) ||
            libevdev_set_clock_id(device.evdev, CLOCK_MONOTONIC) < 0) {
            close(device);
            continue;
        }
        devices.push_back(device);
    }
    return devices;
}

}  // namespace

struct EvdevInputMonitor::State {
    Callbacks callbacks;
    std::vector<Device> devices;
    int wake = -1;
    std::thread thread;

    void handle(const input_event& event)
    {
        if (event.type != EV_KEY || event.value != 1)
            return;  // presses only: not releases, not auto-repeats
        const double time = double(event.input_event_sec) + double(event.input_event_usec) / 1e6;
        if (event.code == BTN_LEFT) {
            if (callbacks.leftClick)
                callbacks.leftClick(time);
        } else if (event.code < BTN_MISC && !isModifier(event.code)) {
            if (callbacks.keyDown)
                callbacks.keyDown(time);
        }
    }

    void run()
    {
        nameCurrentThread("evdev input");
        runCatchingAll([this] { watch(); }, "Clicks and typing could not be read.", callbacks.failed);
    }

    // Reads the devices until woken to stop. Throws EvdevError when they cannot be waited on.
    void watch()
    {
        std::vector<pollfd> fds;
        fds.push_back({wake, POLLIN, 0});
        for (const Device& d : devices)
            fds.push_back({d.fd, POLLIN, 0});
        while (true) {
            if (::poll(fds.data(), fds.size(), -1) < 0) {
                if (errno == EINTR)
                    continue;
                throw EvdevError("The input devices cannot be watched.");
            }
            if (fds[0].revents)
                return;
            for (std::size_t i = 1; i < fds.size(); ++i) {
                if (!fds[i].revents)
                    continue;
                if (fds[i].revents & (POLLERR | POLLHUP | POLLNVAL)) {
                    fds[i].fd = -1;  // unplugged: poll skips it from now on
                    continue;
                }
                libevdev* evdev = devices[i - 1].evdev;
                input_event event;
                int status = libevdev_next_event(evdev, LIBEVDEV_READ_FLAG_NORMAL, &event);
                while (status == LIBEVDEV_READ_STATUS_SUCCESS || status == LIBEVDEV_READ_STATUS_SYNC) {
                    // After a dropped batch the device's state is replayed: presses in it are old.
                    if (status == LIBEVDEV_READ_STATUS_SUCCESS)
                        handle(event);
                    status = libevdev_next_event(evdev,
                                                 status == LIBEVDEV_READ_STATUS_SYNC ? LIBEVDEV_READ_FLAG_SYNC
                                                                                     : LIBEVDEV_READ_FLAG_NORMAL,
                                                 &event);
                }
            }
        }
    }
};

bool EvdevInputMonitor::available()
{
    std::vector<Device> devices = openDevices();
    const bool any = !devices.empty();
    for (Device& d : devices)
        close(d);
    return any;
}

EvdevInputMonitor::EvdevInputMonitor(Callbacks callbacks) : m_state(std::make_unique<State>())
{
    State& s = *m_state;
    s.callbacks = std::move(callbacks);
    s.devices = openDevices();
    if (s.devices.empty())
        throw EvdevError("No input device can be read; on Wayland, members of the input group can record clicks and typing.");
    s.wake = ::eventfd(0, EFD_CLOEXEC);
    if (s.wake < 0) {
        for (Device& d : s.devices)
            close(d);
        throw EvdevError("The input devices cannot be watched.");
    }
    s.thread = std::thread([&s] { s.run(); });
}

EvdevInputMonitor::~EvdevInputMonitor()
{
    State& s = *m_state;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(s.wake, &one, sizeof(one));
    s.thread.join();
    ::close(s.wake);
    for (Device& d : s.devices)
        close(d);
}

}  // namespace sablewick
