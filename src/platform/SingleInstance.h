#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace sablewick {

// Keeps the application to one process per desktop session, over the session bus. The first
// process owns the application's bus name and serves org.freedesktop.Application on it; a later
// one hands its files (as file URLs, resolved against its own working directory) to the first and
// is told to end. Two processes would fight over the system-wide keys and the recovery files.
//
// Main thread only. Without a session bus every process is alone and runs as the first.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    enum class Role {
        primary,    // this process owns the name and serves it
        secondary,  // another process owns it and has taken the files: end now
        alone,      // no session bus: run without one
    };

    static inline const QString serviceName = QStringLiteral("org.sablewick.Sablewick");
    static inline const QString objectPath = QStringLiteral("/org/sablewick/Sablewick");

    explicit SingleInstance(QObject* parent = nullptr);
    // Releases the name.
    ~SingleInstance() override;

    // Claims the name, or hands `files` (paths or URLs as given on the command line) to its owner.
    Role claim(const QStringList& files);
    Role role() const { return m_role; }
    // Gives the name up, so that a process started now can claim it.
    void release();

    // The file URLs of command-line arguments, relative paths taken from `workingDirectory`.
    static QStringList fileUrls(const QStringList& arguments, const QString& workingDirectory);

signals:
    // Another launch asked this process to come forward, with the file URLs it was given (none
    // for a plain launch). Only the primary process emits it.
    void activated(const QStringList& fileUrls);

private:
    friend class SingleInstanceAdaptor;
    bool registerName();
    Role m_role = Role::alone;
};

}  // namespace sablewick
