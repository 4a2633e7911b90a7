#pragma once

#include <QString>

namespace sablewick {

// The recorder's own failures; each has one fixed, user-facing description.
enum class RecorderError {
    noDisplay,
    displayUnavailable,
    noMicrophone,
};

QString description(RecorderError error);

}  // namespace sablewick
