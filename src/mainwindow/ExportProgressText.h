#pragma once

#include <QString>

namespace sablewick {

// The texts of the export progress panel for one moment of an export.
struct ExportProgressText {
    QString title;
    QString phase;
    int percent = 0;          // whole percent, truncated
    QString percentText;      // "42%"
    QString accessibleValue;  // "42 percent"
    QString buttonTitle;
    bool buttonEnabled = true;

    static ExportProgressText make(double progress, bool cancelling);
};

}  // namespace sablewick
