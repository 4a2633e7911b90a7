#pragma once

#include <utility>

namespace sablewick {

// Replaces a published value of `owner` and announces it with `changed` when it changed.
template <typename Owner, typename T>
void publish(Owner& owner, T& member, T value, void (Owner::*changed)())
{
    if (member == value)
        return;
    member = std::move(value);
    emit(owner.*changed)();
}

}  // namespace sablewick
