#include "workspace/TimelineText.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace sablewick::TimelineText {

namespace {

// Whole seconds toward zero, kept in range so a huge or broken duration cannot overflow.
long long wholeSeconds(double seconds)
{
    if (!(seconds > 0))
        return 0;
    return (long long)std::min(std::trunc(seconds), double(std::numeric_limits<int>::max()));
}

}  // namespace

QString time(double seconds)
{
    const long long s = wholeSeconds(seconds);
    return QString::asprintf("%02lld:%02lld", s / 60, s % 60);
}

QString rulerTime(long long hundredths, int decimals)
{
    const long long c = std::max(hundredths, 0LL);
    const QString whole = QString::asprintf("%02lld:%02lld", c / 6000, c / 100 % 60);
    if (decimals >= 2)
        return whole + QString::asprintf(".%02lld", c % 100);
    if (decimals == 1)
        return whole + QString::asprintf(".%lld", c % 100 / 10);
    return whole;
}

QString preciseTime(double seconds)
{
    long long c = 0;
    if (std::isfinite(seconds))
        c = (long long)std::round(std::min(std::max(seconds, 0.0), double(std::numeric_limits<int>::max())) * 100);
    return QString::asprintf("%02lld:%02lld.%02lld", c / 6000, c / 100 - 60 * (c / 6000), c % 100);
}

QString zoomCount(int count)
{
    return QString::number(count) + QStringLiteral(" zoom") + (count == 1 ? QString() : QStringLiteral("s"));
}

QString hint(int zoomCount)
{
    return zoomCount == 0 ? QStringLiteral("Add a zoom, then choose its subject in the preview")
                          : QStringLiteral("Drag a zoom to move it · drag its edge to resize");
}

QString segmentCaption(double strength) { return QString::asprintf("Zoom %.0f%%", 100 * strength); }

QString segmentLabel(const QString& kindName, double start, double length)
{
    QString kind = kindName;
    if (!kind.isEmpty())
        kind[0] = kind[0].toUpper();
    return kind + QStringLiteral(" zoom at ") + QString::number(wholeSeconds(start)) + QStringLiteral(" seconds, ")
        + QString::asprintf("%.1f", length) + QStringLiteral(" seconds long");
}

QString gripLabel(double start)
{
    return QStringLiteral("Resize zoom at ") + QString::number(wholeSeconds(start)) + QStringLiteral(" seconds");
}

}  // namespace sablewick::TimelineText
