// The selection program that the screenshot capture starts for an area or a window, with the
// command line of the desktop's interactive capture tools:
//   sablewick-capture-selection -i (-s | -w) -x -t png <file>
// Exit status 0: the choice is in <file> as PNG. 1: the user pressed Escape; no file, no message.
// 2: something failed; a message is on the standard error.
#include "SelectionOverlay.h"

#include "platform/DisplayList.h"
#include "screenshots/X11Screen.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace {

int fail(const char* message)
{
    std::fprintf(stderr, "%s\n", message);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    using sablewick::SelectionOverlay;
    // The standard error carries the one failure message and nothing else: an Escape must leave it
    // empty, so Qt's own warnings are dropped.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (arguments.size() != 6 || arguments[0] != QLatin1String("-i")
        || (arguments[1] != QLatin1String("-s") && arguments[1] != QLatin1String("-w"))
        || arguments[2] != QLatin1String("-x") || arguments[3] != QLatin1String("-t")
        || arguments[4] != QLatin1String("png") || arguments[5].isEmpty())
        return fail("usage: sablewick-capture-selection -i (-s | -w) -x -t png <file>");
    const auto mode = arguments[1] == QLatin1String("-s") ? SelectionOverlay::Mode::area : SelectionOverlay::Mode::window;

    // The layer covers the X screen pixel for pixel: it reads root pixels, so no scaling of its own.
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
    ::unsetenv("QT_SCALE_FACTOR");

    // The picture and the windows as they were before the layer appeared over them.
    QImage frozen;
    std::vector<QRect> windows;
    try {
        frozen = sablewick::X11Screen::grab(sablewick::X11Screen::rootRect(), false);
        if (mode == SelectionOverlay::Mode::window)
            windows = sablewick::X11Screen::applicationWindows();
    } catch (const sablewick::X11Error& error) {
        return fail(error.what());
    }

    QApplication application(argc, argv);
    SelectionOverlay overlay(mode, std::move(frozen), std::move(windows), arguments[5]);
    overlay.show();
    return application.exec();
}
