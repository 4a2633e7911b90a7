#pragma once

#include "preferences/StudioKeyBinding.h"

namespace sablewick {

// A binding written the way the tests read it: the key's text, its X key code and its modifiers.
inline StudioKeyBinding kb(const char* key, quint32 code, qint64 modifiers)
{
    return {QString::fromUtf8(key), code, modifiers};
}

} // namespace sablewick
