#include "document/JsonFields.h"

#include "platform/AtomicFile.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>

namespace sablewick::jsonfields {

void malformed(const std::string& path, std::string_view problem)
{
    throw DocumentError(DocumentError::Kind::malformed,
                        (path.empty() ? std::string("The document") : path) + " " + std::string(problem) + ".");
}

void notEncodable(const std::string& path, std::string_view problem)
{
    throw DocumentError(DocumentError::Kind::notEncodable, path + " " + std::string(problem) + ".");
}

std::string child(const std::string& path, std::string_view key)
{
    return path.empty() ? std::string(key) : path + "." + std::string(key);
}

std::string element(const std::string& path, std::size_t index)
{
    return path + "[" + std::to_string(index) + "]";
}

double toNumber(const json& value, const std::string& path)
{
    if (!value.is_number())
        malformed(path, "is not a number");
    const double number = value.get<double>();
    if (!std::isfinite(number))
        malformed(path, "is not a finite number");
    return number;
}

std::int64_t toInteger(const json& value, const std::string& path)
{
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            malformed(path, "is out of range");
        return static_cast<std::int64_t>(number);
    }
    if (value.is_number_integer())
        return value.get<std::int64_t>();
    malformed(path, "is not an integer");
}

std::uint32_t toColor(const json& value, const std::string& path)
{
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (number > std::numeric_limits<std::uint32_t>::max())
            malformed(path, "is out of range for a colour");
        return static_cast<std::uint32_t>(number);
    }
    if (value.is_number_integer()) {
        const auto number = value.get<std::int64_t>();
        if (number < 0 || number > static_cast<std::int64_t>(std::numeric_limits<std::uint32_t>::max()))
            malformed(path, "is out of range for a colour");
        return static_cast<std::uint32_t>(number);
    }
    malformed(path, "is not an integer colour");
}

bool toBoolean(const json& value, const std::string& path)
{
    if (!value.is_boolean())
        malformed(path, "is not true or false");
    return value.get<bool>();
}

std::string toStdString(const json& value, const std::string& path)
{
    if (!value.is_string())
        malformed(path, "is not a string");
    return value.get<std::string>();
}

QString toString(const json& value, const std::string& path)
{
    return QString::fromStdString(toStdString(value, path));
}

QUrl toUrl(const json& value, const std::string& path)
{
    const QString text = toString(value, path);
    const QUrl url(text, QUrl::StrictMode);
    if (text.isEmpty() || !url.isValid())
        malformed(path, "is not a valid URL");
    return url;
}

QUuid toUuid(const json& value, const std::string& path)
{
    const std::string text = toStdString(value, path);
    // Only the canonical 8-4-4-4-12 form; QUuid alone would also take braces.
    bool canonical = text.size() == 36;
    for (std::size_t i = 0; canonical && i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        canonical = dash ? text[i] == '-' : std::isxdigit(static_cast<unsigned char>(text[i])) != 0;
    }
    const QUuid id = canonical ? QUuid::fromString(QLatin1String(text.data(), static_cast<qsizetype>(text.size()))) : QUuid();
    if (!canonical || (id.isNull() && text != "00000000-0000-0000-0000-000000000000"))
        malformed(path, "is not a valid UUID");
    return id;
}

const json& toArray(const json& value, const std::string& path)
{
    if (!value.is_array())
        malformed(path, "is not a list");
    return value;
}

ObjectReader::ObjectReader(const json& object, std::string path) : m_object(object), m_path(std::move(path))
{
    if (!m_object.is_object())
        malformed(m_path, "is not an object");
}

const json* ObjectReader::find(std::string_view key) const
{
    const auto it = m_object.find(key);
    if (it == m_object.end() || it->is_null())
        return nullptr;
    return &*it;
}

const json& ObjectReader::required(std::string_view key) const
{
    if (const json* value = find(key))
        return *value;
    malformed(pathOf(key), "is missing");
}

void ObjectWriter::number(const char* key, double value)
{
    if (!std::isfinite(value))
        notEncodable(pathOf(key), "is not a finite number");
    m_object[key] = value;
}

void ObjectWriter::url(const char* key, const QUrl& value)
{
    m_object[key] = urlText(value, pathOf(key));
}

void ObjectWriter::uuid(const char* key, const QUuid& value)
{
    m_object[key] = uuidText(value);
}

std::string uuidText(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper().toStdString();
}

std::string urlText(const QUrl& url, const std::string& path)
{
    // An empty or broken URL would be written as text that no reader accepts.
    if (url.isEmpty() || !url.isValid())
        notEncodable(path, "is not a valid URL");
    // A fully encoded fragment writes a "#" in it as "%23", which reads back as a different URL:
    // QUrl keeps the two apart in a fragment. The fragment is written as QUrl holds it, with only
    // the characters that a URL cannot hold escaped ("%" is always an escape there already).
    std::string text = url.toString(QUrl::FullyEncoded | QUrl::RemoveFragment).toStdString();
    if (url.hasFragment()) {
        static constexpr char hex[] = "0123456789ABCDEF";
        text += '#';
        for (const char c : url.fragment(QUrl::PrettyDecoded).toStdString()) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte <= 0x20 || byte >= 0x7F || std::strchr("\"<>\\^`{|}", c)) {
                text += '%';
                text += hex[byte >> 4];
                text += hex[byte & 0xF];
            } else {
                text += c;
            }
        }
    }
    return text;
}

json parseText(const std::string& text)
{
    try {
        return json::parse(text);
    } catch (const json::parse_error& error) {
        throw DocumentError(DocumentError::Kind::malformed,
                            "The file is not valid JSON (at byte " + std::to_string(error.byte) + ").");
    } catch (const json::exception&) {
        // The parser's other failure: a number literal beyond the range of a double.
        throw DocumentError(DocumentError::Kind::malformed, "The file holds a number too large to represent.");
    }
}

std::string dumpText(const json& value, int indent)
{
    try {
        std::string text = value.dump(indent);
        if (indent >= 0)
            text += '\n';
        return text;
    } catch (const json::type_error&) {
        // The only failure of dump() is text that is not UTF-8.
        throw DocumentError(DocumentError::Kind::notEncodable, "The document holds text that is not valid UTF-8.");
    }
}

void writeText(const QString& path, const std::string& text)
{
    const AtomicWriteResult result = writeFileAtomically(path.toStdString(), text);
    if (!result)
        throw DocumentError(DocumentError::Kind::io, result.error + ".");
}

}  // namespace sablewick::jsonfields
