#include "journey/JourneyDesktop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>

namespace sablewick::journey {

bool waitFor(const std::function<bool()>& condition, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(50);
    }
    return true;
}

namespace {

// Windows come and go while they are looked at: a query about one that is gone answers nothing,
// instead of Xlib's default of ending the process.
int ignoreError(Display*, XErrorEvent*)
{
    return 0;
}

// One connection to the desktop's server for the length of a query.
class Connection {
public:
    explicit Connection(const QString& display) : m_display(XOpenDisplay(display.toLocal8Bit().constData()))
    {
        XSetErrorHandler(ignoreError);
    }
    ~Connection()
    {
        if (m_display)
            XCloseDisplay(m_display);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    Display* operator->() const { return m_display; }
    operator Display*() const { return m_display; }

private:
    Display* m_display;
};

// The first 32-bit value of a window property, or 0.
unsigned long cardinal(Display* display, Window window, const char* name)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    unsigned long value = 0;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1, False, AnyPropertyType, &type,
                           &format, &count, &after, &data)
            == Success
        && data) {
        if (format == 32 && count == 1)
            value = *reinterpret_cast<unsigned long*>(data);
        XFree(data);
    }
    return value;
}

bool hasProperty(Display* display, Window window, const char* name)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool found = XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1, False,
                                          AnyPropertyType, &type, &format, &count, &after, &data)
            == Success
        && type != None;
    if (data)
        XFree(data);
    return found;
}

std::vector<Window> children(Display* display, Window window)
{
    Window root = 0, parent = 0;
    Window* list = nullptr;
    unsigned count = 0;
    std::vector<Window> result;
    if (XQueryTree(display, window, &root, &parent, &list, &count)) {
        result.assign(list, list + count);
        if (list)
            XFree(list);
    }
    return result;
}

// Whether some viewable window of `pid` lies below `window` in the tree.
bool holdsViewableWindowOf(Display* display, Window window, unsigned long pid)
{
    for (Window child : children(display, window)) {
        XWindowAttributes attributes{};
        if (cardinal(display, child, "_NET_WM_PID") == pid && XGetWindowAttributes(display, child, &attributes)
            && attributes.map_state == IsViewable && attributes.width > 0 && attributes.height > 0)
            return true;
        if (holdsViewableWindowOf(display, child, pid))
            return true;
    }
    return false;
}

// Windows of `pid` (of any process when 0) anywhere below `window`.
void windowsOf(Display* display, Window window, unsigned long pid, std::vector<Window>& found)
{
    for (Window child : children(display, window)) {
        if (pid == 0 || cardinal(display, child, "_NET_WM_PID") == pid)
            found.push_back(child);
        windowsOf(display, child, pid, found);
    }
}

}  // namespace

JourneyDesktop::JourneyDesktop()
{
    startServer();
    if (m_error.isEmpty())
        startBus();
    if (m_error.isEmpty())
        startWindowManager();
    if (m_error.isEmpty())
        startTray();
}

JourneyDesktop::~JourneyDesktop()
{
    for (auto it = m_processes.rbegin(); it != m_processes.rend(); ++it)
        stop(**it);
}

void stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

void JourneyDesktop::fail(const QString& why)
{
    if (m_error.isEmpty())
        m_error = why;
}

void JourneyDesktop::startServer()
{
    auto server = std::make_unique<QProcess>();
    server->setProcessChannelMode(QProcess::SeparateChannels);
    // Xvfb picks a free display itself and names it on the descriptor it is given (its output).
    server->start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "1920x1080x24", "-noreset", "-nolisten",
                                           "tcp"});
    if (!server->waitForStarted(10000))
        return fail(QStringLiteral("Xvfb did not start (is the xvfb package installed?)"));
    QProcess& xvfb = *server;
    m_processes.push_back(std::move(server));
    QByteArray number;
    waitFor([&] {
        number += xvfb.readAllStandardOutput();
        return number.contains('\n') || xvfb.state() == QProcess::NotRunning;
    });
    if (!number.contains('\n'))
        return fail(QStringLiteral("Xvfb named no display: ") + QString::fromLocal8Bit(xvfb.readAllStandardError()));
    m_display = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
    if (!Connection(m_display))
        fail(QStringLiteral("the private X server %1 does not answer").arg(m_display));
}

void JourneyDesktop::startBus()
{
    auto bus = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Services that the bus starts (the accessibility bus) belong to this desktop.
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    bus->setProcessEnvironment(environment);
    bus->start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
    QProcess& daemon = *bus;
    m_processes.push_back(std::move(bus));
    if (!daemon.waitForStarted(10000) || !daemon.waitForReadyRead(10000))
        return fail(QStringLiteral("dbus-daemon did not start"));
    m_busAddress = QString::fromUtf8(daemon.readLine()).trimmed();
    if (m_busAddress.isEmpty())
        fail(QStringLiteral("dbus-daemon printed no address"));
}

QProcessEnvironment JourneyDesktop::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_busAddress);
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("XAUTHORITY"));
    return environment;
}

void JourneyDesktop::startPart(const QString& program, const QStringList& arguments, const char* readiness,
                               const std::function<bool(Display*)>& ready)
{
    auto part = std::make_unique<QProcess>();
    part->setProcessEnvironment(environment());
    part->start(program, arguments);
    QProcess& process = *part;
    m_processes.push_back(std::move(part));
    if (!process.waitForStarted(10000))
        return fail(QStringLiteral("%1 did not start (is its package installed?)").arg(program));
    const bool done = waitFor([&] {
        Connection display(m_display);
        return display && ready(display);
    });
    if (!done)
        fail(QStringLiteral("%1 did not %2: %3").arg(program, readiness, QString::fromLocal8Bit(process.readAllStandardError())));
}

void JourneyDesktop::startWindowManager()
{
    // A window manager announces itself on the root window once it manages the screen.
    startPart(QStringLiteral("openbox"), {"--sm-disable"}, "take the screen", [](Display* display) {
        return cardinal(display, DefaultRootWindow(display), "_NET_SUPPORTING_WM_CHECK") != 0;
    });
}

void JourneyDesktop::startTray()
{
    // The tray protocol: the host owns the screen's system tray selection.
    startPart(QStringLiteral("trayer"),
              {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "32", "--SetDockType", "true",
               "--SetPartialStrut", "true", "--transparent", "false", "--tint", "0x303030"},
              "take the system tray", [](Display* display) {
                  return XGetSelectionOwner(display, XInternAtom(display, "_NET_SYSTEM_TRAY_S0", False)) != None;
              });
    m_tray = m_processes.back().get();
}

qint64 JourneyDesktop::trayPid() const
{
    return m_tray ? m_tray->processId() : 0;
}

QString JourneyDesktop::run(const QString& program, const QStringList& arguments) const
{
    QProcess p;
    p.setProcessEnvironment(environment());
    p.start(program, arguments);
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << program.toStdString() << " " << arguments.join(' ').toStdString() << " hung";
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString JourneyDesktop::xdotool(const QStringList& arguments) const
{
    QProcess p;
    p.setProcessEnvironment(environment());
    p.start(QStringLiteral("xdotool"), arguments);
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "xdotool " << arguments.join(' ').toStdString() << " hung";
    } else if (p.exitCode() != 0 && arguments.value(0) != QLatin1String("search")) {
        ADD_FAILURE() << "xdotool " << arguments.join(' ').toStdString() << ": "
                      << p.readAllStandardError().toStdString();
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QStringList JourneyDesktop::windows(qint64 pid, const QString& titlePattern) const
{
    QStringList found;
    const QRegularExpression title(QRegularExpression::anchoredPattern(titlePattern));
    Connection display(m_display);
    if (!display)
        return found;
    std::vector<Window> all;
    windowsOf(display, DefaultRootWindow(static_cast<Display*>(display)), static_cast<unsigned long>(pid), all);
    for (Window window : all) {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable)
            continue;
        // The windows a user sees are those the window manager manages (it marks them with
        // WM_STATE); the tray icon, docked in the tray host, is not one of them.
        if (!hasProperty(display, window, "WM_STATE"))
            continue;
        if (title.match(windowTitle(QString::number(window))).hasMatch())
            found.append(QString::number(window));
    }
    return found;
}

QStringList JourneyDesktop::popups(qint64 pid) const
{
    QStringList found;
    Connection display(m_display);
    if (!display)
        return found;
    // Menus lie straight on the root window, past the window manager.
    for (Window window : children(display, DefaultRootWindow(static_cast<Display*>(display)))) {
        XWindowAttributes attributes{};
        if ((pid == 0 || cardinal(display, window, "_NET_WM_PID") == static_cast<unsigned long>(pid))
            && XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable
            && attributes.override_redirect)
            found.append(QString::number(window));
    }
    return found;
}

QString JourneyDesktop::activeWindow() const
{
    Connection display(m_display);
    if (!display)
        return {};
    const unsigned long window =
        cardinal(display, DefaultRootWindow(static_cast<Display*>(display)), "_NET_ACTIVE_WINDOW");
    return window ? QString::number(window) : QString();
}

QString JourneyDesktop::windowTitle(const QString& id) const
{
    Connection display(m_display);
    if (!display)
        return {};
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    QString title;
    if (XGetWindowProperty(display, id.toULong(), XInternAtom(display, "_NET_WM_NAME", False), 0, 1024, False,
                           XInternAtom(display, "UTF8_STRING", False), &type, &format, &count, &after, &data)
            == Success
        && data) {
        title = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(count));
        XFree(data);
    }
    // Older toolkits name their windows only the ICCCM way.
    char* name = nullptr;
    if (title.isEmpty() && XFetchName(display, id.toULong(), &name) && name) {
        title = QString::fromLocal8Bit(name);
        XFree(name);
    }
    return title;
}

QRect JourneyDesktop::windowGeometry(const QString& id) const
{
    Connection display(m_display);
    if (!display)
        return {};
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, id.toULong(), &attributes))
        return {};
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, id.toULong(), DefaultRootWindow(static_cast<Display*>(display)), 0, 0, &x, &y,
                          &child);
    return {x, y, attributes.width, attributes.height};
}

bool JourneyDesktop::isDockedInTray(qint64 pid) const
{
    Connection display(m_display);
    if (!display)
        return false;
    std::vector<Window> panels;
    windowsOf(display, DefaultRootWindow(static_cast<Display*>(display)), static_cast<unsigned long>(trayPid()), panels);
    for (Window panel : panels)
        if (holdsViewableWindowOf(display, panel, static_cast<unsigned long>(pid)))
            return true;
    return false;
}

QImage JourneyDesktop::grab(const QRect& area) const
{
    Connection display(m_display);
    if (!display)
        return {};
    const Window root = DefaultRootWindow(static_cast<Display*>(display));
    const QRect screen(0, 0, DisplayWidth(static_cast<Display*>(display), 0),
                       DisplayHeight(static_cast<Display*>(display), 0));
    const QRect rect = area.isNull() ? screen : area.intersected(screen);
    if (rect.isEmpty())
        return {};
    XImage* image = XGetImage(display, root, rect.x(), rect.y(), static_cast<unsigned>(rect.width()),
                              static_cast<unsigned>(rect.height()), AllPlanes, ZPixmap);
    if (!image)
        return {};
    QImage result(rect.size(), QImage::Format_RGB32);
    for (int y = 0; y < rect.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < rect.width(); ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            line[x] = qRgb(static_cast<int>((pixel & image->red_mask) >> 16),
                           static_cast<int>((pixel & image->green_mask) >> 8), static_cast<int>(pixel & image->blue_mask));
        }
    }
    XDestroyImage(image);
    return result;
}

bool differ(const QImage& a, const QImage& b, int pixels, int tolerance)
{
    if (a.size() != b.size())
        return true;
    int different = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (std::abs(qRed(la[x]) - qRed(lb[x])) > tolerance || std::abs(qGreen(la[x]) - qGreen(lb[x])) > tolerance
                || std::abs(qBlue(la[x]) - qBlue(lb[x])) > tolerance)
                if (++different > pixels)
                    return true;
        }
    }
    return false;
}

int countColour(const QImage& image, QRgb colour, int tolerance)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            if (std::abs(qRed(line[x]) - qRed(colour)) <= tolerance
                && std::abs(qGreen(line[x]) - qGreen(colour)) <= tolerance
                && std::abs(qBlue(line[x]) - qBlue(colour)) <= tolerance)
                ++count;
    }
    return count;
}

}  // namespace sablewick::journey
