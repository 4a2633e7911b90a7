#include "app/StudioWindowSession.h"

#include "app/SablewickApp.h"
#include "app/StudioSession.h"
#include "mainwindow/StandaloneSession.h"

#include <QCoreApplication>

namespace sablewick {

StudioWindowSession::StudioWindowSession(SablewickApp& app, StudioSession& session, QObject* parent)
    : MainWindowSession(parent)
    , m_app(app)
    , m_session(session)
{
    // A hot key or the tray raises a request while the window may be closed; the window takes it
    // when it appears, or at once when it is open.
    connect(&m_session, &StudioSession::recordingSetupRequestedChanged, this, [this] {
        if (m_session.recordingSetupRequested())
            emit recordingSetupRequested();
    });
    connect(&m_session, &StudioSession::screenshotSetupRequestedChanged, this, [this] {
        if (m_session.screenshotSetupRequested())
            emit screenshotSetupRequested();
    });
}

void StudioWindowSession::clearRecorderNotice()
{
    if (!m_recorder.notice)
        return;
    m_recorder.notice.reset();
    emit recorderStateChanged();
}

void StudioWindowSession::sayUnavailable()
{
    m_recorder.notice = StandaloneSession::unavailableText;
    emit recorderStateChanged();
}

void StudioWindowSession::openSettingsWindow()
{
    m_app.showSettings();
}

void StudioWindowSession::requestQuit()
{
    // The application object asks first when work is under way.
    QCoreApplication::quit();
}

bool StudioWindowSession::saveAndReopenForUpdate()
{
    return m_session.saveAndReopenForUpdate();
}

bool StudioWindowSession::reopenAfterSavingRecovery()
{
    return m_session.reopenAfterSavingRecovery();
}

QString StudioWindowSession::runningBuild() const
{
    return m_session.installation().runningBuild;
}

std::optional<QString> StudioWindowSession::installedBuild() const
{
    return m_session.installation().installedBuild();
}

QWidget* StudioWindowSession::makeRecordingSetupSheet(QWidget*, std::function<void()>)
{
    sayUnavailable();
    return nullptr;
}

QWidget* StudioWindowSession::makeScreenshotSetupSheet(QWidget*, std::function<void()>)
{
    sayUnavailable();
    return nullptr;
}

bool StudioWindowSession::takeRecordingSetupRequest()
{
    if (!m_session.recordingSetupRequested())
        return false;
    m_session.setRecordingSetupRequested(false);
    return true;
}

bool StudioWindowSession::takeScreenshotSetupRequest()
{
    if (!m_session.screenshotSetupRequested())
        return false;
    m_session.setScreenshotSetupRequested(false);
    return true;
}

}  // namespace sablewick
