#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <chrono>

namespace sablewick {

class SingleInstanceAdaptor;

// Keeps the application to one process per desktop session, over the session bus. The first
// process owns the application's bus name and serves org.freedesktop.Application on it; a later
// one hands its files (as file URLs, resolved against its own working directory) to the first and
// is told to end. Two processes would fight over the system-wide keys and the recovery files.
//
// The owner also holds a lock on a file in the recovery folder for as long as it runs. The kernel
// drops the lock when the process ends, however it ends, so a later launch can tell a first
// process that is alive but does not answer (it refuses to start) from one that is gone (it takes
// over).
//
// Main thread only. Without a session bus a process runs as the first unless another holds the lock.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    enum class Role {
        primary,       // this process owns the name and serves it
        secondary,     // another process owns it and has taken the files: end now
        alone,         // no session bus: run without one
        unresponsive,  // another process runs but does not answer: tell the user and end
    };

    static inline const QString serviceName = QStringLiteral("org.sablewick.Sablewick");
    static inline const QString objectPath = QStringLiteral("/org/sablewick/Sablewick");
    // What a launch that met an unresponsive first process tells the user.
    static inline const QString unresponsiveMessage =
        QStringLiteral("Sablewick is already running but does not respond. Quit it, then open Sablewick again.");

    explicit SingleInstance(QObject* parent = nullptr);
    // Releases the name and the lock.
    ~SingleInstance() override;

    // Claims the name, or hands `files` (paths or URLs as given on the command line) to its owner.
    Role claim(const QStringList& files);
    Role role() const { return m_role; }
    // Gives the name and the lock up, so that a process started now can claim them.
    void release();

    // How long a claim waits for the first process to answer (10 s unless set).
    void setAnswerTimeout(std::chrono::milliseconds timeout) { m_answerTimeout = timeout; }

    // The lock file: "instance.lock" in the recovery folder.
    static QString lockPath();

    // The file URLs of command-line arguments, relative paths taken from `workingDirectory`. Only
    // "file:" arguments are read as URLs; everything else is a local path, whatever its characters.
    static QStringList fileUrls(const QStringList& arguments, const QString& workingDirectory);

signals:
    // Another launch asked this process to come forward, with the file URLs it was given (none
    // for a plain launch). Only the primary process emits it.
    void activated(const QStringList& fileUrls);

private:
    friend class SingleInstanceAdaptor;
    enum class Lock { taken, heldElsewhere, unavailable };
    Lock takeLock();
    void dropLock();
    bool registerName();

    Role m_role = Role::alone;
    SingleInstanceAdaptor* m_adaptor = nullptr;
    int m_lockFile = -1;
    std::chrono::milliseconds m_answerTimeout{10000};
};

}  // namespace sablewick
