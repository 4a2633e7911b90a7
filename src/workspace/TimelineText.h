#pragma once

#include <QString>

namespace sablewick {

// The texts of the timeline header and strip.
namespace TimelineText {

// Minutes and seconds, truncated; negative times read 00:00; minutes are not wrapped into hours.
QString time(double seconds);
// A ruler label from a time in whole hundredths of a second: minutes and seconds, and then the
// tenths (`decimals` 1) or the hundredths (2), cut, not rounded.
QString rulerTime(long long hundredths, int decimals);
// Minutes, seconds and rounded hundredths; a time that is not finite reads 00:00.00.
QString preciseTime(double seconds);
// "0 zooms", "1 zoom", "12 zooms".
QString zoomCount(int count);
QString hint(int zoomCount);
// "Zoom 200%" for a strength of 2.
QString segmentCaption(double strength);
QString segmentLabel(const QString& kindName, double start, double length);
QString gripLabel(double start);

inline const QString segmentHelp =
    QStringLiteral("Drag to move zoom; drag its right edge to change length; right-click to delete");

}  // namespace TimelineText

}  // namespace sablewick
