#pragma once

// Checked access to JSON values for the document coders (internal to this folder).
// nlohmann's own get<>() wraps unsigned values and truncates reals, and writes NaN as null; these
// helpers enforce the JSON type, the range of the field's type and finiteness, and name the
// offending key in their errors.

#include "document/DocumentError.h"
#include "document/StoredEnum.h"

#include <nlohmann/json.hpp>

#include <QString>
#include <QUrl>
#include <QUuid>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sablewick::jsonfields {

using nlohmann::json;

[[noreturn]] void malformed(const std::string& path, std::string_view problem);
[[noreturn]] void notEncodable(const std::string& path, std::string_view problem);

std::string child(const std::string& path, std::string_view key);
std::string element(const std::string& path, std::size_t index);

double toNumber(const json& value, const std::string& path);
std::int64_t toInteger(const json& value, const std::string& path);
std::uint32_t toColor(const json& value, const std::string& path);
bool toBoolean(const json& value, const std::string& path);
std::string toStdString(const json& value, const std::string& path);
QString toString(const json& value, const std::string& path);
QUrl toUrl(const json& value, const std::string& path);
QUuid toUuid(const json& value, const std::string& path);
const json& toArray(const json& value, const std::string& path);

template <class E>
E toEnum(const json& value, const std::string& path)
{
    const std::string text = toStdString(value, path);
    if (const std::optional<E> parsed = fromStoredValue<E>(text))
        return *parsed;
    malformed(path, "holds \"" + text + "\", which is not one of its values");
}

// One JSON object being read: a missing or null key is absent; required() refuses it.
class ObjectReader {
public:
    ObjectReader(const json& object, std::string path);

    const std::string& path() const { return m_path; }
    const json* find(std::string_view key) const;
    const json& required(std::string_view key) const;
    std::string pathOf(std::string_view key) const { return child(m_path, key); }

    double number(std::string_view key) const { return toNumber(required(key), pathOf(key)); }
    std::int64_t integer(std::string_view key) const { return toInteger(required(key), pathOf(key)); }
    std::uint32_t color(std::string_view key) const { return toColor(required(key), pathOf(key)); }
    bool boolean(std::string_view key) const { return toBoolean(required(key), pathOf(key)); }
    QString string(std::string_view key) const { return toString(required(key), pathOf(key)); }
    QUrl url(std::string_view key) const { return toUrl(required(key), pathOf(key)); }
    QUuid uuid(std::string_view key) const { return toUuid(required(key), pathOf(key)); }
    template <class E>
    E enumeration(std::string_view key) const { return toEnum<E>(required(key), pathOf(key)); }

    std::optional<double> optionalNumber(std::string_view key) const { return optional(key, toNumber); }
    std::optional<std::int64_t> optionalInteger(std::string_view key) const { return optional(key, toInteger); }
    std::optional<std::uint32_t> optionalColor(std::string_view key) const { return optional(key, toColor); }
    std::optional<bool> optionalBoolean(std::string_view key) const { return optional(key, toBoolean); }
    std::optional<QUrl> optionalUrl(std::string_view key) const { return optional(key, toUrl); }
    template <class E>
    std::optional<E> optionalEnumeration(std::string_view key) const { return optional(key, toEnum<E>); }

private:
    template <class Convert>
    auto optional(std::string_view key, Convert convert) const
        -> std::optional<decltype(convert(std::declval<const json&>(), std::string()))>
    {
        if (const json* value = find(key))
            return convert(*value, pathOf(key));
        return std::nullopt;
    }

    const json& m_object;
    std::string m_path;
};

// One JSON object being written: optionals are left out when absent, numbers must be finite.
class ObjectWriter {
public:
    explicit ObjectWriter(std::string path) : m_path(std::move(path)) {}

    json take() { return std::move(m_object); }
    std::string pathOf(std::string_view key) const { return child(m_path, key); }

    void number(const char* key, double value);
    void integer(const char* key, std::int64_t value) { m_object[key] = value; }
    void color(const char* key, std::uint32_t value) { m_object[key] = value; }
    void boolean(const char* key, bool value) { m_object[key] = value; }
    void string(const char* key, const QString& value) { m_object[key] = value.toStdString(); }
    void url(const char* key, const QUrl& value);
    void uuid(const char* key, const QUuid& value);
    void value(const char* key, json value) { m_object[key] = std::move(value); }
    template <class E>
    void enumeration(const char* key, E value) { m_object[key] = std::string(storedValue(value)); }

    void optionalNumber(const char* key, const std::optional<double>& v) { if (v) number(key, *v); }
    void optionalInteger(const char* key, const std::optional<std::int64_t>& v) { if (v) integer(key, *v); }
    void optionalColor(const char* key, const std::optional<std::uint32_t>& v) { if (v) color(key, *v); }
    void optionalBoolean(const char* key, const std::optional<bool>& v) { if (v) boolean(key, *v); }
    void optionalUrl(const char* key, const std::optional<QUrl>& v) { if (v) url(key, *v); }
    template <class E>
    void optionalEnumeration(const char* key, const std::optional<E>& v) { if (v) enumeration(key, *v); }

private:
    std::string m_path;
    json m_object = json::object();
};

std::string uuidText(const QUuid& id);
std::string urlText(const QUrl& url, const std::string& path);

// Whole document files. parseText throws malformed for text that is not JSON; dumpText writes the
// compact form for a negative indent, else the indented one with a final newline, and throws
// notEncodable for text that is not UTF-8; writeText replaces the file atomically and throws io.
json parseText(const std::string& text);
std::string dumpText(const json& value, int indent);
void writeText(const QString& path, const std::string& text);

}  // namespace sablewick::jsonfields
