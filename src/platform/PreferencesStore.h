#pragma once

#include <QString>
#include <QVariant>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace sablewick {

// The stored preferences ("user defaults"). Every value keeps its type so that readers can tell an
// integer from a string of digits: a value is a bool, a qint64, a double, a QString, a QByteArray
// (data), a QVariantList (array) or a QVariantMap (dictionary) of such values. Other integer and
// float types are widened on the way in; values of any other type, or nested more than 64 levels
// deep, are refused.
//
// Used on the main thread only.
class PreferencesStore {
public:
    virtual ~PreferencesStore() = default;

    // The stored value, or an invalid QVariant when the key is missing.
    QVariant value(const QString& key) const;
    bool contains(const QString& key) const { return value(key).isValid(); }

    // Returns false (and stores nothing) when the value has a type that cannot be stored.
    bool setValue(const QString& key, const QVariant& value);
    void removeValue(const QString& key);

    // The platform's Boolean reading of a value: a Boolean as it is, a number when it is not zero,
    // a string that reads as "true", "yes" or a non-zero number; anything else, missing included,
    // is false.
    bool boolValue(const QString& key) const;

    // Stores a value that could not be read so a later write cannot lose it: under `baseKey`, or
    // when that is taken under "<baseKey>.2", "<baseKey>.3" and so on; earlier kept values stay.
    // Returns the key used.
    QString keepAside(const QString& baseKey, const QVariant& value);

    // Normalises a value to the stored types; an invalid QVariant when it cannot be stored.
    static QVariant normalized(const QVariant& value);

    // Blocks until every change made so far is stored; false when the last write failed. A store
    // that keeps nothing on disk has nothing to wait for.
    virtual bool flush() { return true; }

protected:
    const std::map<QString, QVariant>& values() const { return m_values; }
    void replaceAll(std::map<QString, QVariant> values) { m_values = std::move(values); }
    // Called after every change; a persistent store writes itself here.
    virtual void changed() {}

private:
    std::map<QString, QVariant> m_values;
};

// A store that lives only in memory, for tests and for callers that must not touch the disk.
class MemoryPreferencesStore final : public PreferencesStore {};

// A store kept in a JSON file, rewritten atomically after changes. The writes happen on a thread of
// the store's own, so a change never waits for the disk, and a burst of changes is written once:
// the file is rewritten `coalesceDelay` after the first change that it does not hold yet, with
// every change made until then. flush() and the destructor write what is pending at once.
//
// A file that cannot be read starts the store empty; it is kept aside (renamed with an
// ".unreadable" suffix) before the first write would replace it, so nothing the user had is
// silently lost.
//
// Used on the main thread only, like every store; the writer thread touches only its own copies.
class FilePreferencesStore final : public PreferencesStore {
public:
    static constexpr std::chrono::milliseconds defaultCoalesceDelay{300};

    explicit FilePreferencesStore(QString path, std::chrono::milliseconds coalesceDelay = defaultCoalesceDelay);
    // Writes what is pending and ends the writer thread.
    ~FilePreferencesStore() override;

    const QString& path() const { return m_path; }
    bool wasUnreadable() const { return m_unreadable; }
    // Where the unreadable file was moved; empty until that happened.
    QString keptAsidePath() const;
    // The error of the last failed write; empty when the last write succeeded.
    QString lastWriteError() const;
    // How many times the file has been written since the store was made.
    int writeCount() const;

    bool flush() override;

private:
    void changed() override;
    void load();
    void runWriter();
    // Runs on the writer thread.
    void write(const std::map<QString, QVariant>& values);

    QString m_path;
    std::chrono::milliseconds m_coalesceDelay;
    bool m_unreadable = false;

    // Shared with the writer thread, under m_mutex.
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;  // the writer waits for work, a flush or the end
    std::condition_variable m_done;  // flush() waits for a write to complete
    std::optional<std::map<QString, QVariant>> m_pending;
    std::chrono::steady_clock::time_point m_pendingSince;
    std::uint64_t m_changes = 0;   // changes made so far
    std::uint64_t m_written = 0;   // changes that the last completed write held
    std::uint64_t m_flushTarget = 0;
    bool m_stopping = false;
    QString m_keptAside;
    QString m_lastWriteError;
    int m_writeCount = 0;
    std::thread m_writer;
};

// The process-wide store in the user's configuration folder, created on first use.
PreferencesStore& standardPreferences();

// Encodes and decodes the stored file format (exposed for tests).
namespace PreferencesFile {
std::string encode(const std::map<QString, QVariant>& values);
// Returns false when the text is not a well-formed preferences file.
bool decode(const std::string& text, std::map<QString, QVariant>& values);
}  // namespace PreferencesFile

}  // namespace sablewick
