#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <memory>

namespace sablewick::test {

// Returns once this thread's event loop has handled everything posted to it before the call
// (queued calls and zero-delay timers alike: they are handled in the order they were posted). A
// check after it sees what such deferred work did, or that it did nothing. False when the loop
// did not get there within the bound.
inline bool handlePostedEvents(int milliseconds = 10000)
{
    auto reached = std::make_shared<bool>(false);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [reached] { *reached = true; }, Qt::QueuedConnection);
    const QDeadlineTimer deadline(milliseconds);
    while (!*reached) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

}  // namespace sablewick::test
