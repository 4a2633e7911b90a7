#include "platform/X11ScreenGrabber.h"

#include "platform/DisplayList.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <vector>

namespace sablewick {

// One shared image. Detached before the connection closes.
struct X11ScreenGrabber::Slot {
    Display* display = nullptr;
    XImage* image = nullptr;
    XShmSegmentInfo shm{};
    bool attached = false;

    Slot() = default;
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;
    ~Slot()
    {
        if (attached) {
            XShmDetach(display, &shm);
            XSync(display, False);
        }
        if (image)
            XDestroyImage(image);
        if (shm.shmaddr && shm.shmaddr != reinterpret_cast<char*>(-1))
            shmdt(shm.shmaddr);
    }

    void make(Display* d, QSize size)
    {
        display = d;
        const int screen = DefaultScreen(d);
        image = XShmCreateImage(d, DefaultVisual(d, screen), static_cast<unsigned>(DefaultDepth(d, screen)), ZPixmap,
                                nullptr, &shm, static_cast<unsigned>(size.width()), static_cast<unsigned>(size.height()));
        if (!image || image->bits_per_pixel != 32)
            throw X11Error("The X screen does not use 32-bit pixels.");
        shm.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(image->bytes_per_line) * image->height, IPC_CREAT | 0600);
        if (shm.shmid < 0)
            throw X11Error("No shared memory is left for the screen image.");
        shm.shmaddr = image->data = static_cast<char*>(shmat(shm.shmid, nullptr, 0));
        // Marked for removal at once: the segment goes when the last of us and the server
        // detach, even if this process is killed.
        shmctl(shm.shmid, IPC_RMID, nullptr);
        if (shm.shmaddr == reinterpret_cast<char*>(-1))
            throw X11Error("The shared memory for the screen image cannot be mapped.");
        shm.readOnly = False;
        takeX11Error();
        attached = XShmAttach(d, &shm);
        XSync(d, False);
        if (takeX11Error())
            attached = false;
        if (!attached)
            throw X11Error("The X server cannot attach the shared screen image.");
    }
};

struct X11ScreenGrabber::State {
    X11Connection connection;
    QRect area;
    std::vector<std::unique_ptr<Slot>> shared;  // go before the connection
};

X11ScreenGrabber::X11ScreenGrabber(QRect area, int images)
    : m_state(std::make_unique<State>())
{
    State& s = *m_state;
    s.connection = openX11Connection();
    s.area = area;
    Display* d = s.connection.get();
    const int screen = DefaultScreen(d);
    if (!QRect(0, 0, DisplayWidth(d, screen), DisplayHeight(d, screen)).contains(area) || area.isEmpty())
        throw X11Error("The display lies outside the X screen.");
    if (!XShmQueryExtension(d))
        throw X11Error("The X server cannot share images with this program (MIT-SHM).");
    for (int i = 0; i < std::max(images, 1); ++i) {
        s.shared.push_back(std::make_unique<Slot>());
        s.shared.back()->make(d, area.size());
    }
}

X11ScreenGrabber::~X11ScreenGrabber() = default;

int X11ScreenGrabber::imageCount() const { return static_cast<int>(m_state->shared.size()); }

X11ScreenGrabber::Image X11ScreenGrabber::grab(int index)
{
    State& s = *m_state;
    Display* d = s.connection.get();
    XImage* image = s.shared.at(static_cast<std::size_t>(index))->image;
    takeX11Error();
    const Bool ok = XShmGetImage(d, DefaultRootWindow(d), image, s.area.x(), s.area.y(), AllPlanes);
    if (!ok || takeX11Error())
        throw X11Error("The X server refused to copy the display.");
    return {reinterpret_cast<const std::uint8_t*>(image->data), image->bytes_per_line, s.area.width(), s.area.height()};
}

}  // namespace sablewick
