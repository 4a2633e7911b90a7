#include "platform/X11ScreenGrabber.h"

#include "platform/DisplayList.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace sablewick {

struct X11ScreenGrabber::State {
    X11Connection connection;
    QRect area;
    XImage* image = nullptr;
    XShmSegmentInfo shm{};
    bool attached = false;

    ~State()
    {
        Display* d = connection.get();
        if (attached) {
            XShmDetach(d, &shm);
            XSync(d, False);
        }
        if (image)
            XDestroyImage(image);
        if (shm.shmaddr && shm.shmaddr != reinterpret_cast<char*>(-1))
            shmdt(shm.shmaddr);
    }
};

X11ScreenGrabber::X11ScreenGrabber(QRect area)
    : state_(std::make_unique<State>())
{
    State& s = *state_;
    s.connection = openX11Connection();
    s.area = area;
    Display* d = s.connection.get();
    const int screen = DefaultScreen(d);
    if (!QRect(0, 0, DisplayWidth(d, screen), DisplayHeight(d, screen)).contains(area) || area.isEmpty())
        throw X11Error("The display lies outside the X screen.");
    if (!XShmQueryExtension(d))
        throw X11Error("The X server cannot share images with this program (MIT-SHM).");
    s.image = XShmCreateImage(d, DefaultVisual(d, screen), static_cast<unsigned>(DefaultDepth(d, screen)), ZPixmap,
                              nullptr, &s.shm, static_cast<unsigned>(area.width()), static_cast<unsigned>(area.height()));
    if (!s.image || s.image->bits_per_pixel != 32)
        throw X11Error("The X screen does not use 32-bit pixels.");
    s.shm.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(s.image->bytes_per_line) * s.image->height, IPC_CREAT | 0600);
    if (s.shm.shmid < 0)
        throw X11Error("No shared memory is left for the screen image.");
    s.shm.shmaddr = s.image->data = static_cast<char*>(shmat(s.shm.shmid, nullptr, 0));
    // Marked for removal at once: the segment goes when the last of us and the server detach,
    // even if this process is killed.
    shmctl(s.shm.shmid, IPC_RMID, nullptr);
    if (s.shm.shmaddr == reinterpret_cast<char*>(-1))
        throw X11Error("The shared memory for the screen image cannot be mapped.");
    s.shm.readOnly = False;
    takeX11Error();
    s.attached = XShmAttach(d, &s.shm);
    XSync(d, False);
    if (takeX11Error())
        s.attached = false;
    if (!s.attached)
        throw X11Error("The X server cannot attach the shared screen image.");
}

X11ScreenGrabber::~X11ScreenGrabber() = default;

X11ScreenGrabber::Image X11ScreenGrabber::grab()
{
    State& s = *state_;
    Display* d = s.connection.get();
    takeX11Error();
    const Bool ok = XShmGetImage(d, DefaultRootWindow(d), s.image, s.area.x(), s.area.y(), AllPlanes);
    if (!ok || takeX11Error())
        throw X11Error("The X server refused to copy the display.");
    return {reinterpret_cast<const std::uint8_t*>(s.image->data), s.image->bytes_per_line, s.area.width(),
            s.area.height()};
}

}  // namespace sablewick
