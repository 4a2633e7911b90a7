#pragma once

#include "components/StudioBinding.h"

#include <QStringList>

#include <vector>

namespace sablewick {

// The display texts of a choice's options, in order.
template <class Value, class LabelFn>
QStringList studioOptionLabels(const std::vector<Value>& options, LabelFn label)
{
    QStringList labels;
    for (const Value& option : options)
        labels << label(option);
    return labels;
}

} // namespace sablewick
