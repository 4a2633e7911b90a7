#include "editor/RecoveryWriter.h"

#include "document/DocumentError.h"
#include "editor/EditorWorkers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <condition_variable>
#include <mutex>
#include <optional>

namespace sablewick {

namespace {

bool writeCopy(const QString& path, const FocusProject& project)
{
    try {
        if (!QDir().mkpath(QFileInfo(path).absolutePath()))
            return false;
        ProjectFile::writeRecovery(path, project);
    } catch (const DocumentError&) {
        return false;
    }
    return true;
}

}  // namespace

struct RecoveryWriter::State {
    struct Copy {
        QString path;
        FocusProject project;
        Outcome outcome;
    };

    std::mutex mutex;
    std::condition_variable idle;
    std::optional<Copy> waiting;
    bool writing = false;  // a worker, or writeNow, holds the file

    // On a worker: writes what waits until nothing does.
    void drain()
    {
        for (;;) {
            std::optional<Copy> copy;
            {
                std::lock_guard lock(mutex);
                if (!waiting) {
                    writing = false;
                    idle.notify_all();
                    return;
                }
                copy.swap(waiting);
            }
            const bool written = writeCopy(copy->path, copy->project);
            if (QCoreApplication* application = QCoreApplication::instance())
                QMetaObject::invokeMethod(
                    application, [outcome = std::move(copy->outcome), written] { outcome(written); },
                    Qt::QueuedConnection);
        }
    }
};

RecoveryWriter::RecoveryWriter() : m_state(std::make_shared<State>()) {}

RecoveryWriter::~RecoveryWriter() = default;

void RecoveryWriter::write(const QString& path, FocusProject project, Outcome outcome)
{
    std::lock_guard lock(m_state->mutex);
    m_state->waiting = State::Copy{path, std::move(project), std::move(outcome)};
    if (m_state->writing)
        return;  // the worker under way takes it next
    m_state->writing = true;
    editorWorkers().start([state = m_state] { state->drain(); });
}

bool RecoveryWriter::writeNow(const QString& path, const FocusProject& project)
{
    {
        std::unique_lock lock(m_state->mutex);
        m_state->waiting.reset();
        m_state->idle.wait(lock, [this] { return !m_state->writing; });
        m_state->writing = true;
    }
    const bool written = writeCopy(path, project);
    {
        std::lock_guard lock(m_state->mutex);
        m_state->writing = false;
    }
    m_state->idle.notify_all();
    return written;
}

void RecoveryWriter::finish()
{
    std::unique_lock lock(m_state->mutex);
    m_state->idle.wait(lock, [this] { return !m_state->writing; });
}

}  // namespace sablewick
