#pragma once

#include "components/StudioBinding.h"

#include <functional>
#include <utility>

namespace sablewick {

// A rail item is lit only while the inspector is shown on that item's page.
inline bool toolRailItemActive(bool isPresented, bool isSelected)
{
    return isPresented && isSelected;
}

// The flag one rail item's toggle is bound to. Turning it on selects the page, shows the inspector
// and reports the choice, in that order. Turning it off does nothing: the rail never hides the
// inspector, so a click on the lit item leaves everything as it is.
template <class Value>
StudioBinding<bool> toolRailItemBinding(StudioBinding<Value> selection, StudioBinding<bool> isPresented,
                                        Value option, std::function<void(const Value&)> onSelect)
{
    return {
        [selection, isPresented, option] {
            return toolRailItemActive(isPresented.get(), selection.get() == option);
        },
        [selection, isPresented, option, onSelect](const bool& on) {
            if (!on)
                return;
            selection.set(option);
            isPresented.set(true);
            if (onSelect)
                onSelect(option);
        }};
}

} // namespace sablewick
