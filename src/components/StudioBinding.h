#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

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

// The position of the caller's selection among `options` (-1 when it is none of them); writing a
// position writes that option. Options are told apart by their own value, never by their text.
template <class Value>
StudioBinding<int> studioIndexBinding(StudioBinding<Value> selection, std::vector<Value> options)
{
    auto shared = std::make_shared<const std::vector<Value>>(std::move(options));
    return {[selection, shared] {
                const auto found = std::find(shared->begin(), shared->end(), selection.get());
                return found == shared->end() ? -1 : static_cast<int>(found - shared->begin());
            },
            [selection, shared](const int& index) {
                if (index >= 0 && index < static_cast<int>(shared->size()))
                    selection.set((*shared)[static_cast<std::size_t>(index)]);
            }};
}

} // namespace sablewick
