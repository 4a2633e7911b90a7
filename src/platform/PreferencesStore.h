#pragma once

#include <QString>
#include <QVariant>

#include <map>
#include <memory>

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

// A store kept in a JSON file, rewritten atomically after every change. A file that cannot be read
// starts the store empty; it is kept aside (renamed with an ".unreadable" suffix) before the first
// write would replace it, so nothing the user had is silently lost.
class FilePreferencesStore final : public PreferencesStore {
public:
    explicit FilePreferencesStore(QString path);

    const QString& path() const { return m_path; }
    bool wasUnreadable() const { return m_unreadable; }
    // Where the unreadable file was moved; empty until that happened.
    const QString& keptAsidePath() const { return m_keptAside; }
    // The error of the last failed write; empty when the last write succeeded.
    const QString& lastWriteError() const { return m_lastWriteError; }

private:
    void changed() override;
    void load();

    QString m_path;
    bool m_unreadable = false;
    QString m_keptAside;
    QString m_lastWriteError;
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
