#pragma once

#include <functional>
#include <utility>

namespace sablewick {

// A value owned by the caller, seen by a control through a getter and a setter. Controls read it
// whenever they draw and write it when the user acts; they never keep a copy that could go stale.
template <class T>
struct StudioBinding {
    std::function<T()> get;
    std::function<void(const T&)> set;

    // A binding to a variable that outlives the control (tests, the gallery, simple windows).
    static StudioBinding to(T& variable)
    {
        return {[&variable] { return variable; }, [&variable](const T& v) { variable = v; }};
    }
};

} // namespace sablewick
