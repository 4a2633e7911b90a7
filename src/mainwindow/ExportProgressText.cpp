#include "mainwindow/ExportProgressText.h"

#include <algorithm>
#include <cmath>

namespace sablewick {

ExportProgressText ExportProgressText::make(double progress, bool cancelling)
{
    // A progress outside 0...1 (or not a number) would read as nonsense; it never moves the bar
    // past its ends.
    const double p = std::isnan(progress) ? 0.0 : std::clamp(progress, 0.0, 1.0);
    ExportProgressText t;
    t.title = cancelling ? QString::fromUtf8("Cancelling export…") : QStringLiteral("Exporting video");
    if (cancelling)
        t.phase = QString::fromUtf8("Stopping and removing the partial file…");
    else if (p >= 0.95)
        t.phase = QString::fromUtf8("Finishing file…");
    else if (p > 0)
        t.phase = QString::fromUtf8("Rendering frames…");
    else
        t.phase = QString::fromUtf8("Preparing export…");
    t.percent = static_cast<int>(std::trunc(p * 100));
    t.percentText = QString::number(t.percent) + QLatin1Char('%');
    t.accessibleValue = QString::number(t.percent) + QStringLiteral(" percent");
    t.buttonTitle = cancelling ? QString::fromUtf8("Cancelling…") : QStringLiteral("Cancel export");
    t.buttonEnabled = !cancelling;
    return t;
}

}  // namespace sablewick
