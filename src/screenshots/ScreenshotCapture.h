#pragma once

#include "screenshots/ScreenshotCaptureOptions.h"
#include "screenshots/ScreenshotCaptureServices.h"

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <optional>

namespace sablewick {

class ScheduledTask;

// Takes one screenshot at a time and leaves it as a PNG file in the user's screenshots folder:
// a whole display read straight from the X server, or an area or a window chosen by the user in
// the selection program; on a Wayland session, both through the desktop portal (its own dialog
// picks an area or a window). An optional countdown runs first. The application's windows are hidden
// while the screen is captured and shown again whatever the outcome.
//
// Main thread only. Nothing blocks: the countdown, the pause after hiding and the selection
// program all run on the event loop.
class ScreenshotCapture : public QObject {
    Q_OBJECT

public:
    static constexpr double hidePause = 0.22;

    explicit ScreenshotCapture(ScreenshotCaptureServices services, QObject* parent = nullptr);
    ~ScreenshotCapture() override;

    bool isCapturing() const { return m_isCapturing; }
    const QString& status() const { return m_status; }
    const std::optional<QString>& error() const { return m_error; }

    // The displays a display capture can take, for the user to pick from: the X server's, or on a
    // Wayland session the compositor's outputs, whose numbers the portal's pictures are cut by.
    // Throws std::exception when none can be read.
    DisplayLayout displays() const;

    // Starts a capture unless one runs. `completion` gets the written file, on success only.
    void capture(const ScreenshotCaptureOptions& options, std::function<void(const QString& path)> completion);
    // Ends a running capture silently (and the selection program with it).
    void cancel();

    // "Screenshot-YYYY-MM-DDTHH-MM-SSZ-XXXX.png" for a moment in UTC.
    static QString fileName(const QDateTime& moment, const QString& uniqueHex);

signals:
    void isCapturingChanged();
    void statusChanged();
    void errorChanged();

private:
    void setStatus(const QString& status);
    void setError(std::optional<QString> error);
    void setCapturing(bool capturing);
    void countdown(int remaining);
    void begin();
    void captureDisplay();
    void displayCaptured(quint64 generation, std::optional<QString> failure);
    void runSelection();
    void capturePortal();
    void portalCaptured(quint64 generation, const QString& file);
    void selectionEnded(int exitCode, QProcess::ExitStatus status);
    void hideWindows();
    void succeed();
    void fail(const QString& reason);
    void cleanUp();
    void schedule(double seconds, std::function<void()> step);

    ScreenshotCaptureServices m_services;
    std::unique_ptr<TaskScheduler> m_ownScheduler;
    bool m_isCapturing = false;
    QString m_status;
    std::optional<QString> m_error;

    ScreenshotCaptureOptions m_options;
    std::function<void(const QString&)> m_completion;
    QString m_path;
    bool m_hidden = false;
    std::unique_ptr<ScheduledTask> m_wait;
    QPointer<QProcess> m_process;
    // Counts captures; a result of an earlier (cancelled) one is ignored.
    quint64 m_generation = 0;
    // Last, so that it is destroyed first: its destructor waits for a display capture still running.
    QThreadPool m_workers;
};

}  // namespace sablewick
