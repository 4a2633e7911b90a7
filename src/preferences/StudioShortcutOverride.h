#pragma once

#include "preferences/StudioKeyBinding.h"
#include "preferences/StudioShortcutAction.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>

namespace sablewick {

// The user's choice for one action: a binding that replaces the default, or none when the user
// cleared the shortcut (the action then has no shortcut at all).
struct StudioShortcutOverride {
    std::optional<StudioKeyBinding> binding;
    bool operator==(const StudioShortcutOverride&) const = default;
};

using StudioShortcutOverrides = std::map<StudioShortcutAction, StudioShortcutOverride>;

// The stored form: compact UTF-8 JSON, one member per action named by its raw value,
// {"export": {"binding": {"key": "e", "keyCode": 14, "modifiers": 9}}, "loop": {}}.
namespace StudioShortcutCoding {
QByteArray encode(const StudioShortcutOverrides& overrides);
// Every member as stored, names not yet checked; none when the data is not such an object or any
// member is malformed.
std::optional<std::map<QString, StudioShortcutOverride>> decode(const QByteArray& data);
}  // namespace StudioShortcutCoding

}  // namespace sablewick
