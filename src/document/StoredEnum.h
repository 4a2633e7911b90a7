#pragma once

#include <optional>
#include <string_view>

namespace sablewick {

// Every stored enumeration specialises EnumCases with `cases`, its cases in declaration order, and
// provides `std::string_view storedValue(E)`: the exact, case-sensitive text the files hold.
template <class E>
struct EnumCases;

template <class E>
constexpr const auto& allCases()
{
    return EnumCases<E>::cases;
}

// The case whose stored value is exactly `text`; no value for any other text (no case folding,
// no trimming).
template <class E>
std::optional<E> fromStoredValue(std::string_view text)
{
    for (const E value : EnumCases<E>::cases) {
        if (storedValue(value) == text)
            return value;
    }
    return std::nullopt;
}

}  // namespace sablewick
