#include "screenshots/ScreenshotCapture.h"

#include "platform/AtomicFile.h"
#include "platform/MainThread.h"
#include "platform/PortalScreenshot.h"
#include "platform/RegularFile.h"
#include "platform/WaylandOutputs.h"
#include "platform/StandardFolders.h"
#include "platform/TaskScheduler.h"
#include "platform/ThreadName.h"
#include "screenshots/ScreenshotError.h"
#include "screenshots/ScreenshotRenderer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QUuid>

#include <functional>

namespace sablewick {

namespace {

const QString kPermissionRefused = QStringLiteral(
    "Allow Sablewick under Settings → Privacy & Security → Screen & System Audio Recording, then reopen Sablewick.");
const QString kFailurePrefix = QStringLiteral("Could not capture screenshot: ");

QString modeStatus(ScreenshotCaptureMode mode)
{
    switch (mode) {
    case ScreenshotCaptureMode::area: return QStringLiteral("Select an area · Escape cancels");
    case ScreenshotCaptureMode::window: return QStringLiteral("Select a window · Escape cancels");
    case ScreenshotCaptureMode::display: return QStringLiteral("Capturing display…");
    }
    return {};
}

// A picture of a whole desktop of 16K by 16K pixels stays well below this.
constexpr qint64 kMaxPortalPicture = qint64(1) << 30;

void writePng(const QImage& image, const QString& path)
{
    const QByteArray png = ScreenshotRenderer::data(image, ScreenshotFormat::png, 0.92);
    const AtomicWriteResult written =
        writeFileAtomically(path.toStdString(), std::span<const char>(png.constData(), size_t(png.size())));
    if (!written)
        throw std::runtime_error(written.error + ".");
}

// The part of a whole-desktop picture that one Wayland output shows (the main one when the output
// asked for is gone or none is asked for); the whole picture when the outputs cannot be read.
QImage displayPart(const QImage& desktop, std::optional<std::uint32_t> displayID)
{
    DisplayLayout layout;
    try {
        layout = WaylandOutputs::layout(WaylandOutputs::current());
    } catch (const WaylandError&) {
        return desktop;
    }
    const DisplayInfo* display = displayID ? layout.find(*displayID) : nullptr;
    if (!display)
        display = layout.main();
    if (!display || layout.root.width() < 1)
        return desktop;
    // The picture is in pixels, the layout in logical units: one factor for a desktop at one scale.
    const double factor = double(desktop.width()) / layout.root.width();
    const QRect part = QRect(QPoint(qRound(display->geometry.x() * factor), qRound(display->geometry.y() * factor)),
                             QSize(qRound(display->geometry.width() * factor), qRound(display->geometry.height() * factor)))
                       & desktop.rect();
    return part.isEmpty() ? desktop : desktop.copy(part);
}

}  // namespace

std::string_view storedValue(ScreenshotCaptureMode mode)
{
    switch (mode) {
    case ScreenshotCaptureMode::area: return "Area";
    case ScreenshotCaptureMode::window: return "Window";
    case ScreenshotCaptureMode::display: return "Display";
    }
    return "Area";
}

QString title(ScreenshotCaptureMode mode)
{
    const std::string_view stored = storedValue(mode);
    return QString::fromLatin1(stored.data(), qsizetype(stored.size()));
}

QString installedSelectionProgram()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(selectionProgramName));
}

ScreenshotCapture::ScreenshotCapture(ScreenshotCaptureServices services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
{
    if (!m_services.scheduler) {
        m_ownScheduler = std::make_unique<QtTaskScheduler>();
        m_services.scheduler = m_ownScheduler.get();
    }
    if (!m_services.grabber)
        m_services.grabber = &x11ScreenGrabber();
    if (m_services.selectionProgram.isEmpty())
        m_services.selectionProgram = installedSelectionProgram();
    m_workers.setMaxThreadCount(1);
}

ScreenshotCapture::~ScreenshotCapture()
{
    cancel();
    // A selection program asked to end moments ago is still ours to reap.
    for (QProcess* process : findChildren<QProcess*>()) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(1000);
        }
    }
    m_workers.waitForDone();
}

DisplayLayout ScreenshotCapture::displays() const
{
    if (m_services.portal)
        return WaylandOutputs::layout(WaylandOutputs::current());
    return m_services.grabber->displays();
}

QString ScreenshotCapture::fileName(const QDateTime& moment, const QString& uniqueHex)
{
    return QStringLiteral("Screenshot-") + moment.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH-mm-ss'Z'"))
           + QLatin1Char('-') + uniqueHex.left(4).toUpper() + QStringLiteral(".png");
}

void ScreenshotCapture::setStatus(const QString& status)
{
    publish(m_status, status, std::bind_front(&ScreenshotCapture::statusChanged, this));
}

void ScreenshotCapture::setError(std::optional<QString> error)
{
    publish(m_error, std::move(error), std::bind_front(&ScreenshotCapture::errorChanged, this));
}

void ScreenshotCapture::setCapturing(bool capturing)
{
    publish(m_isCapturing, capturing, std::bind_front(&ScreenshotCapture::isCapturingChanged, this));
}

void ScreenshotCapture::schedule(double seconds, std::function<void()> step)
{
    m_wait = m_services.scheduler->schedule(seconds, std::move(step));
}

void ScreenshotCapture::capture(const ScreenshotCaptureOptions& options,
                                std::function<void(const QString& path)> completion)
{
    if (m_isCapturing)
        return;
    setCapturing(true);
    setError(std::nullopt);
    ++m_generation;
    m_options = options;
    m_completion = std::move(completion);

    // Asked before any countdown, so that a refusal shows at once.
    if (!m_services.grabber->screenCaptureAllowed() && !m_services.grabber->requestScreenCapture()) {
        setError(kPermissionRefused);
        cleanUp();
        return;
    }
    countdown(options.delay);
}

void ScreenshotCapture::countdown(int remaining)
{
    if (remaining < 1) {
        begin();
        return;
    }
    setStatus(QStringLiteral("Screenshot in %1…").arg(remaining));
    schedule(1, [this, remaining] { countdown(remaining - 1); });
}

void ScreenshotCapture::begin()
{
    const QString folder = m_services.folder.isEmpty() ? StandardFolders::screenshots() : m_services.folder;
    if (!QDir().mkpath(folder)) {
        fail(QStringLiteral("The folder “%1” cannot be created.").arg(QDir::toNativeSeparators(folder)));
        return;
    }
    m_path = QDir(folder).filePath(
        fileName(QDateTime::currentDateTimeUtc(), QUuid::createUuid().toString(QUuid::WithoutBraces)));
    setStatus(modeStatus(m_options.mode));
    // X11 cannot leave our windows out of the picture, so they go away first, for every mode.
    hideWindows();
    if (m_services.portal)
        schedule(hidePause, [this] { capturePortal(); });
    else if (m_options.mode == ScreenshotCaptureMode::display)
        schedule(hidePause, [this] { captureDisplay(); });
    else
        schedule(hidePause, [this] { runSelection(); });
}

void ScreenshotCapture::hideWindows()
{
    if (!m_services.windows)
        return;
    m_services.windows->hide();
    m_hidden = true;
}

void ScreenshotCapture::captureDisplay()
{
    const quint64 generation = m_generation;
    m_workers.start([this, generation, grabber = m_services.grabber, options = m_options, path = m_path] {
        nameCurrentThread("capture worker");
        std::optional<QString> failure;
        try {
            const DisplayLayout layout = grabber->displays();
            const DisplayInfo* display = options.displayID ? layout.find(*options.displayID) : nullptr;
            if (!display)
                display = layout.main();  // a display that has gone: the main one instead
            if (!display)
                throw ScreenshotError(ScreenshotError::Kind::noDisplay);
            // The display's own pixels; a display whose size cannot be told gives the whole
            // screen, never an empty picture.
            const QRect root(QPoint(0, 0), layout.root);
            QRect area = display->geometry & root;
            if (area.isEmpty())
                area = root;
            writePng(grabber->grab(area, options.includeCursor), path);
        } catch (const std::exception& error) {
            failure = QString::fromUtf8(error.what());
        } catch (...) {
            failure = QString::fromUtf8(ScreenshotError::descriptionOf(ScreenshotError::Kind::encodeFailed));
        }
        postToMain(this, [this, generation, failure] { displayCaptured(generation, failure); });
    });
}

void ScreenshotCapture::capturePortal()
{
    const quint64 generation = m_generation;
    const bool interactive = m_options.mode != ScreenshotCaptureMode::display;
    PortalScreenshot::take(interactive, this, [this, generation](PortalScreenshotResult result) {
        if (generation != m_generation || !m_isCapturing)
            return;  // cancelled meanwhile
        if (result.outcome == PortalResponse::Outcome::cancelled) {
            cleanUp();  // the user closed the desktop's dialog: no failure
            return;
        }
        if (result.outcome != PortalResponse::Outcome::success) {
            fail(result.error);
            return;
        }
        portalCaptured(generation, result.file);
    });
}

// The portal leaves its picture where it likes; ours goes into the screenshots folder under our
// name, cut to the display asked for when the picture shows the whole desktop.
void ScreenshotCapture::portalCaptured(quint64 generation, const QString& file)
{
    const bool wholeDesktop = m_options.mode == ScreenshotCaptureMode::display;
    m_workers.start([this, generation, file, wholeDesktop, displayID = m_options.displayID, path = m_path] {
        nameCurrentThread("capture worker");
        std::optional<QString> failure;
        try {
            QImage image;
            if (!image.loadFromData(readRegularFile(file, kMaxPortalPicture)))
                throw std::runtime_error("The desktop portal's picture cannot be read.");
            if (wholeDesktop)
                image = displayPart(image, displayID);
            writePng(image, path);
        } catch (const std::exception& error) {
            failure = QString::fromUtf8(error.what());
        } catch (...) {
            failure = QString::fromUtf8(ScreenshotError::descriptionOf(ScreenshotError::Kind::encodeFailed));
        }
        postToMain(this, [this, generation, failure] { displayCaptured(generation, failure); });
    });
}

void ScreenshotCapture::displayCaptured(quint64 generation, std::optional<QString> failure)
{
    if (generation != m_generation || !m_isCapturing)
        return;  // cancelled meanwhile
    if (failure) {
        fail(*failure);
        return;
    }
    succeed();
}

// The windows come back before the completion opens the file, without taking the focus from
// where the user left it.
void ScreenshotCapture::succeed()
{
    if (m_hidden) {
        m_services.windows->show(false);
        m_hidden = false;
    }
    if (m_completion)
        m_completion(m_path);
    cleanUp();
}

void ScreenshotCapture::runSelection()
{
    auto* process = new QProcess(this);
    m_process = process;
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::SeparateChannels);
    connect(process, &QProcess::finished, this, [this, process](int exitCode, QProcess::ExitStatus status) {
        if (process == m_process)
            selectionEnded(exitCode, status);
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (process == m_process && error == QProcess::FailedToStart)
            fail(QStringLiteral("The selection program could not be started: %1.").arg(process->errorString()));
    });
    const QString modeFlag = m_options.mode == ScreenshotCaptureMode::area ? QStringLiteral("-s") : QStringLiteral("-w");
    process->start(m_services.selectionProgram,
                   {QStringLiteral("-i"), modeFlag, QStringLiteral("-x"), QStringLiteral("-t"), QStringLiteral("png"),
                    m_path});
}

void ScreenshotCapture::selectionEnded(int exitCode, QProcess::ExitStatus status)
{
    if (status == QProcess::NormalExit && exitCode == 0 && QFileInfo(m_path).isFile()) {
        succeed();
        return;
    }
    const QString unexpectedEnd = QStringLiteral("The selection program ended unexpectedly.");
    if (status == QProcess::CrashExit) {
        // Killed by a signal: what it left on its error output is a crash report, not a reason.
        setError(kFailurePrefix + unexpectedEnd);
    } else {
        const QString text = QString::fromUtf8(m_process->readAllStandardError()).trimmed();
        if (!text.isEmpty())
            setError(kFailurePrefix + text);
        else if (exitCode != 0 && exitCode != 1)
            // Not its own way of ending: a crash reported by a shell or a sanitizer, never Escape.
            setError(kFailurePrefix + unexpectedEnd);
    }
    // Exit 1 (or 0 without a file) and nothing on its error output: the user pressed Escape,
    // which is no failure.
    cleanUp();
}

void ScreenshotCapture::fail(const QString& reason)
{
    setError(kFailurePrefix + reason);
    cleanUp();
}

void ScreenshotCapture::cancel()
{
    if (!m_isCapturing)
        return;
    if (m_process && m_process->state() != QProcess::NotRunning)
        m_process->terminate();
    cleanUp();
}

void ScreenshotCapture::cleanUp()
{
    ++m_generation;
    if (m_wait)
        m_wait->cancel();
    m_wait.reset();
    if (m_process) {
        QProcess* process = m_process;
        m_process = nullptr;
        process->disconnect(this);
        // Reaped when it ends; a program that ignores the request to end is killed.
        if (process->state() != QProcess::NotRunning) {
            connect(process, &QProcess::finished, process, &QObject::deleteLater);
            QTimer::singleShot(2000, process, [process] { process->kill(); });
        } else {
            process->deleteLater();
        }
    }
    m_completion = nullptr;
    setCapturing(false);
    setStatus(QString());
    if (m_hidden) {
        m_hidden = false;
        m_services.windows->show(true);
    }
}

}  // namespace sablewick
