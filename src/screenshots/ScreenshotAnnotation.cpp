#include "screenshots/ScreenshotAnnotation.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace sablewick {

QRectF ScreenshotAnnotation::bounds() const
{
    switch (tool) {
    case ScreenshotTool::number:
        return {x - 0.025, y - 0.025, 0.05, 0.05};
    case ScreenshotTool::text: {
        // Characters as the user sees them: a flag or an accented letter counts once.
        double characters = 0;
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
        while (graphemes.toNextBoundary() != -1)
            ++characters;
        return {x, y, std::min(std::max(characters * 0.018, 0.08), 0.7), 0.065};
    }
    default:
        return {std::min(x, endX), std::min(y, endY), std::abs(endX - x), std::abs(endY - y)};
    }
}

namespace {

std::optional<std::int64_t> badgeNumber(const QString& text)
{
    qsizetype digitsFrom = 0;
    if (!text.isEmpty() && (text.front() == QLatin1Char('+') || text.front() == QLatin1Char('-')))
        digitsFrom = 1;
    if (digitsFrom >= text.size())
        return std::nullopt;
    for (qsizetype i = digitsFrom; i < text.size(); ++i) {
        if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);  // fails beyond the 64-bit range
    return ok ? std::optional<std::int64_t>(value) : std::nullopt;
}

}  // namespace

QString nextBadgeLabel(const std::vector<ScreenshotAnnotation>& annotations)
{
    std::optional<std::int64_t> largest;
    for (const ScreenshotAnnotation& mark : annotations) {
        if (mark.tool != ScreenshotTool::number)
            continue;
        if (const std::optional<std::int64_t> value = badgeNumber(mark.text))
            largest = std::max(largest.value_or(*value), *value);
    }
    if (!largest)
        return QStringLiteral("1");
    if (*largest == std::numeric_limits<std::int64_t>::max())
        return QStringLiteral("9223372036854775808");  // one more, written out: nothing wraps
    return QString::number(*largest + 1);
}

}  // namespace sablewick
