#include "mainwindow/StandaloneSession.h"

#include <QCoreApplication>

namespace sablewick {

void StandaloneSession::clearRecorderNotice()
{
    if (!m_recorder.notice)
        return;
    m_recorder.notice.reset();
    emit recorderStateChanged();
}

void StandaloneSession::sayUnavailable()
{
    m_recorder.notice = unavailableText;
    emit recorderStateChanged();
}

void StandaloneSession::requestQuit()
{
    QCoreApplication::quit();
}

QWidget* StandaloneSession::makeRecordingSetupSheet(QWidget*, std::function<void()>)
{
    sayUnavailable();
    return nullptr;
}

QWidget* StandaloneSession::makeScreenshotSetupSheet(QWidget*, std::function<void()>)
{
    sayUnavailable();
    return nullptr;
}

}  // namespace sablewick
