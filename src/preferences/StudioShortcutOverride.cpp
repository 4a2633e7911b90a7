#include "preferences/StudioShortcutOverride.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>

namespace sablewick::StudioShortcutCoding {
namespace {

using nlohmann::json;

// An integral JSON number within [low, high]; a fraction, a string or a Boolean is refused.
template <typename T>
std::optional<T> integral(const json& node)
{
    constexpr T low = std::numeric_limits<T>::min();
    constexpr T high = std::numeric_limits<T>::max();
    if (node.is_number_unsigned()) {
        const auto v = node.get<std::uint64_t>();
        if (v > static_cast<std::uint64_t>(high))
            return std::nullopt;
        return static_cast<T>(v);
    }
    if (node.is_number_integer()) {
        const auto v = node.get<std::int64_t>();
        if (v < static_cast<std::int64_t>(low) || (v > 0 && static_cast<std::uint64_t>(v) > static_cast<std::uint64_t>(high)))
            return std::nullopt;
        return static_cast<T>(v);
    }
    if (node.is_number_float()) {
        const double v = node.get<double>();
        // Both bounds are exact powers of two (or zero) in double, so the range test is exact.
        if (!std::isfinite(v) || v != std::trunc(v) || v < static_cast<double>(low)
            || v >= static_cast<double>(high) + 1.0)
            return std::nullopt;
        return static_cast<T>(v);
    }
    return std::nullopt;
}

std::optional<StudioKeyBinding> decodeBinding(const json& node)
{
    if (!node.is_object())
        return std::nullopt;
    const auto key = node.find("key");
    const auto keyCode = node.find("keyCode");
    const auto modifiers = node.find("modifiers");
    if (key == node.end() || keyCode == node.end() || modifiers == node.end() || !key->is_string())
        return std::nullopt;
    const std::optional<quint32> code = integral<quint32>(*keyCode);
    const std::optional<qint64> bits = integral<qint64>(*modifiers);
    if (!code || !bits)
        return std::nullopt;
    return StudioKeyBinding{QString::fromStdString(key->get<std::string>()), *code, *bits};
}

}  // namespace

QByteArray encode(const StudioShortcutOverrides& overrides)
{
    json root = json::object();
    for (const auto& [action, override] : overrides) {
        json entry = json::object();
        if (override.binding) {
            entry["binding"] = {{"key", override.binding->key.toStdString()},
                                {"keyCode", override.binding->keyCode},
                                {"modifiers", override.binding->modifiers}};
        }
        root[rawValue(action).toStdString()] = std::move(entry);
    }
    return QByteArray::fromStdString(root.dump(-1, ' ', false, json::error_handler_t::replace));
}

std::optional<std::map<QString, StudioShortcutOverride>> decode(const QByteArray& data)
{
    const json root = json::parse(data.begin(), data.end(), nullptr, false);
    if (root.is_discarded() || !root.is_object())
        return std::nullopt;
    std::map<QString, StudioShortcutOverride> decoded;
    for (const auto& [name, node] : root.items()) {
        if (!node.is_object())
            return std::nullopt;
        StudioShortcutOverride override;
        const auto binding = node.find("binding");
        if (binding != node.end() && !binding->is_null()) {
            override.binding = decodeBinding(*binding);
            if (!override.binding)
                return std::nullopt;
        }
        decoded[QString::fromStdString(name)] = std::move(override);
    }
    return decoded;
}

}  // namespace sablewick::StudioShortcutCoding
