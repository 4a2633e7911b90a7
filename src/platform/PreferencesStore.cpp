#include "platform/PreferencesStore.h"

#include "platform/AtomicFile.h"
#include "platform/RegularFile.h"
#include "platform/StandardFolders.h"
#include "platform/ThreadName.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace sablewick {

using nlohmann::json;

namespace {

// Arrays and dictionaries nest at most this deep, on the way in and out of the file. Real values
// nest a level or two; a file nested deeper was not written by us, and reading it recursively
// could overflow the stack.
constexpr int kMaximumDepth = 64;

QVariant normalizedAt(const QVariant& value, int depth)
{
    if (depth > kMaximumDepth)
        return {};
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return QVariant::fromValue<qint64>(value.toLongLong());
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong v = value.toULongLong();
        if (v > static_cast<qulonglong>(std::numeric_limits<qint64>::max()))
            return {};
        return QVariant::fromValue<qint64>(static_cast<qint64>(v));
    }
    case QMetaType::Float:
    case QMetaType::Double:
        return value.toDouble();
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QByteArray:
        return value.toByteArray();
    case QMetaType::QStringList: {
        QVariantList list;
        for (const QString& s : value.toStringList())
            list.append(s);
        return list;
    }
    case QMetaType::QVariantList: {
        QVariantList list;
        for (const QVariant& item : value.toList()) {
            QVariant n = normalizedAt(item, depth + 1);
            if (!n.isValid())
                return {};
            list.append(n);
        }
        return list;
    }
    case QMetaType::QVariantMap: {
        QVariantMap map;
        const QVariantMap source = value.toMap();
        for (auto it = source.begin(); it != source.end(); ++it) {
            QVariant n = normalizedAt(it.value(), depth + 1);
            if (!n.isValid())
                return {};
            map.insert(it.key(), n);
        }
        return map;
    }
    default:
        return {};
    }
}

}  // namespace

QVariant PreferencesStore::normalized(const QVariant& value)
{
    return normalizedAt(value, 0);
}

QVariant PreferencesStore::value(const QString& key) const
{
    const auto it = m_values.find(key);
    return it == m_values.end() ? QVariant() : it->second;
}

bool PreferencesStore::setValue(const QString& key, const QVariant& value)
{
    QVariant stored = normalized(value);
    if (!stored.isValid())
        return false;
    m_values[key] = std::move(stored);
    changed();
    return true;
}

void PreferencesStore::removeValue(const QString& key)
{
    if (m_values.erase(key) > 0)
        changed();
}

QString PreferencesStore::keepAside(const QString& baseKey, const QVariant& value)
{
    QString key = baseKey;
    for (int n = 2; contains(key); ++n)
        key = baseKey + QLatin1Char('.') + QString::number(n);
    setValue(key, value);
    return key;
}

bool PreferencesStore::boolValue(const QString& key) const
{
    const QVariant v = value(key);
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::LongLong:
        return v.toLongLong() != 0;
    case QMetaType::Double:
        return v.toDouble() != 0.0 && !std::isnan(v.toDouble());
    case QMetaType::QString: {
        const QString s = v.toString().trimmed().toLower();
        if (s == QLatin1String("true") || s == QLatin1String("yes"))
            return true;
        bool ok = false;
        const double number = s.toDouble(&ok);
        return ok && number != 0.0;
    }
    default:
        return false;
    }
}

// ---- file format ------------------------------------------------------------------------------
// {"format": 1, "values": {"key": {"integer": 42}, "other": {"array": [{"string": "a"}]}}}
// Non-finite reals are written as the strings "nan", "inf" and "-inf" so they survive JSON.

namespace PreferencesFile {
namespace {

constexpr int kFormat = 1;

json encodeValue(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
        return {{"boolean", v.toBool()}};
    case QMetaType::LongLong:
        return {{"integer", v.toLongLong()}};
    case QMetaType::Double: {
        const double d = v.toDouble();
        if (std::isnan(d))
            return {{"real", "nan"}};
        if (std::isinf(d))
            return {{"real", d > 0 ? "inf" : "-inf"}};
        return {{"real", d}};
    }
    case QMetaType::QString:
        return {{"string", v.toString().toStdString()}};
    case QMetaType::QByteArray:
        return {{"data", v.toByteArray().toBase64().toStdString()}};
    case QMetaType::QVariantList: {
        json items = json::array();
        for (const QVariant& item : v.toList())
            items.push_back(encodeValue(item));
        return {{"array", items}};
    }
    case QMetaType::QVariantMap: {
        json entries = json::object();
        const QVariantMap map = v.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            entries[it.key().toStdString()] = encodeValue(it.value());
        return {{"dictionary", entries}};
    }
    default:
        return nullptr;
    }
}

bool decodeValue(const json& node, QVariant& out, int depth = 0)
{
    if (depth > kMaximumDepth || !node.is_object() || node.size() != 1)
        return false;
    // Held by value: the element of items() is a temporary, so references into it would dangle.
    const json::const_iterator first = node.begin();
    const std::string& type = first.key();
    const json& value = first.value();
    if (type == "boolean" && value.is_boolean()) {
        out = value.get<bool>();
    } else if (type == "integer" && value.is_number_integer()) {
        if (value.is_number_unsigned()
            && value.get<std::uint64_t>() > static_cast<std::uint64_t>(std::numeric_limits<qint64>::max()))
            return false;
        out = QVariant::fromValue<qint64>(value.get<std::int64_t>());
    } else if (type == "real" && value.is_number()) {
        out = value.get<double>();
    } else if (type == "real" && value.is_string()) {
        const std::string s = value.get<std::string>();
        if (s == "nan")
            out = std::numeric_limits<double>::quiet_NaN();
        else if (s == "inf")
            out = std::numeric_limits<double>::infinity();
        else if (s == "-inf")
            out = -std::numeric_limits<double>::infinity();
        else
            return false;
    } else if (type == "string" && value.is_string()) {
        out = QString::fromStdString(value.get<std::string>());
    } else if (type == "data" && value.is_string()) {
        const QByteArray encoded = QByteArray::fromStdString(value.get<std::string>());
        auto decoded = QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return false;
        out = *decoded;
    } else if (type == "array" && value.is_array()) {
        QVariantList list;
        for (const json& item : value) {
            QVariant v;
            if (!decodeValue(item, v, depth + 1))
                return false;
            list.append(v);
        }
        out = list;
    } else if (type == "dictionary" && value.is_object()) {
        QVariantMap map;
        for (const auto& [key, item] : value.items()) {
            QVariant v;
            if (!decodeValue(item, v, depth + 1))
                return false;
            map.insert(QString::fromStdString(key), v);
        }
        out = map;
    } else {
        return false;
    }
    return true;
}

}  // namespace

std::string encode(const std::map<QString, QVariant>& values)
{
    json entries = json::object();
    for (const auto& [key, value] : values)
        entries[key.toStdString()] = encodeValue(value);
    json root = {{"format", kFormat}, {"values", entries}};
    return root.dump(2) + "\n";
}

bool decode(const std::string& text, std::map<QString, QVariant>& values)
{
    const json root = json::parse(text, nullptr, false);
    if (root.is_discarded() || !root.is_object())
        return false;
    const auto format = root.find("format");
    const auto entries = root.find("values");
    if (format == root.end() || !format->is_number_integer() || format->get<std::int64_t>() != kFormat)
        return false;
    if (entries == root.end() || !entries->is_object())
        return false;
    std::map<QString, QVariant> decoded;
    for (const auto& [key, node] : entries->items()) {
        QVariant v;
        if (!decodeValue(node, v))
            return false;
        decoded.emplace(QString::fromStdString(key), std::move(v));
    }
    values = std::move(decoded);
    return true;
}

}  // namespace PreferencesFile

// ---- file store -------------------------------------------------------------------------------

FilePreferencesStore::FilePreferencesStore(QString path, std::chrono::milliseconds coalesceDelay)
    : m_path(std::move(path))
    , m_coalesceDelay(coalesceDelay)
{
    load();
}

FilePreferencesStore::~FilePreferencesStore()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_writer.joinable())
        m_writer.join();
}

void FilePreferencesStore::load()
{
    // Far beyond what a user's preferences hold; the bound keeps a wrong file from filling memory.
    constexpr qint64 kLargestFile = qint64(64) * 1024 * 1024;
    QByteArray text;
    try {
        text = readRegularFile(m_path, kLargestFile);
    } catch (const RegularFileError& e) {
        m_unreadable = e.kind() != RegularFileError::Kind::missing;
        return;
    }
    std::map<QString, QVariant> decoded;
    if (!PreferencesFile::decode(text.toStdString(), decoded)) {
        m_unreadable = true;
        return;
    }
    replaceAll(std::move(decoded));
}

QString FilePreferencesStore::keptAsidePath() const
{
    std::lock_guard lock(m_mutex);
    return m_keptAside;
}

QString FilePreferencesStore::lastWriteError() const
{
    std::lock_guard lock(m_mutex);
    return m_lastWriteError;
}

int FilePreferencesStore::writeCount() const
{
    std::lock_guard lock(m_mutex);
    return m_writeCount;
}

void FilePreferencesStore::changed()
{
    {
        std::lock_guard lock(m_mutex);
        // The values are implicitly shared, so the copy is cheap and the writer never reads the
        // map that the main thread goes on changing.
        if (!m_pending)
            m_pendingSince = std::chrono::steady_clock::now();
        m_pending = values();
        ++m_changes;
        if (!m_writer.joinable())
            m_writer = std::thread([this] { runWriter(); });
    }
    m_wake.notify_all();
}

bool FilePreferencesStore::flush()
{
    std::unique_lock lock(m_mutex);
    const std::uint64_t target = m_changes;
    if (m_written < target) {
        m_flushTarget = std::max(m_flushTarget, target);
        m_wake.notify_all();
        m_done.wait(lock, [&] { return m_written >= target; });
    }
    return m_lastWriteError.isEmpty();
}

void FilePreferencesStore::runWriter()
{
    nameCurrentThread("prefs writer");
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_pending || m_stopping; });
        if (!m_pending)
            return;
        m_wake.wait_until(lock, m_pendingSince + m_coalesceDelay,
                          [&] { return m_stopping || m_flushTarget > m_written; });
        const std::map<QString, QVariant> snapshot = std::move(*m_pending);
        m_pending.reset();
        const std::uint64_t generation = m_changes;
        lock.unlock();
        write(snapshot);
        lock.lock();
        m_written = generation;
        ++m_writeCount;
        m_done.notify_all();
    }
}

void FilePreferencesStore::write(const std::map<QString, QVariant>& values)
{
    const QFileInfo info(m_path);
    QDir().mkpath(info.absolutePath());
    QString keptAside = keptAsidePath();
    if (m_unreadable && keptAside.isEmpty() && QFile::exists(m_path)) {
        QString aside = m_path + QStringLiteral(".unreadable");
        if (QFile::exists(aside))
            aside += QLatin1Char('-') + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmsszzz"));
        if (!QFile::rename(m_path, aside)) {
            // Never overwrite what we could not read and could not keep.
            std::lock_guard lock(m_mutex);
            m_lastWriteError = QStringLiteral("Could not keep the unreadable preferences file aside");
            return;
        }
        std::lock_guard lock(m_mutex);
        m_keptAside = aside;
    }
    const AtomicWriteResult result = writeFileAtomically(m_path.toStdString(), PreferencesFile::encode(values));
    std::lock_guard lock(m_mutex);
    m_lastWriteError = result ? QString() : QString::fromStdString(result.error);
}

PreferencesStore& standardPreferences()
{
    static FilePreferencesStore store(StandardFolders::preferencesFile());
    return store;
}

}  // namespace sablewick
