#include "components/StudioPaint.h"

#include "preferences/StudioAccent.h"
#include "preferences/StudioAppearance.h"

#include <QApplication>
#include <QPainter>
#include <QWidget>

#include <algorithm>

namespace sablewick {

namespace {

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

} // namespace

StudioColors StudioColors::of(const QWidget* widget)
{
    return from(StudioTheme::environment(widget));
}

StudioColors StudioColors::from(const StudioEnvironment& environment)
{
    const StudioColorScheme scheme = environment.scheme;
    const bool dark = environment.isDark();
    StudioColors c;
    c.environment = environment;
    c.window = StudioSystemColors::windowBackground().resolved(scheme);
    c.label = withAlpha(StudioSystemColors::label().resolved(scheme), dark ? 0.88 : 0.85);
    // The desktop's graphite is too faint for small text on the window (under 3:1 in light); the
    // secondary text colour is the nearest grey that reads at 4.5:1.
    c.secondaryLabel = dark ? QColor(0xAEAEB2) : QColor(0x5C5C60);
    c.tertiaryLabel = withAlpha(StudioSystemColors::label().resolved(scheme), 0.26);
    c.separator = Studio::separator().resolved(scheme);
    c.surface = Studio::surface().resolved(scheme);
    c.accent = environment.accent.isValid() ? environment.accent
                                            : StudioSystemColors::blue().resolved(scheme);
    c.red = StudioSystemColors::red().resolved(scheme);
    c.controlFill = dark ? QColor(255, 255, 255, 36) : QColor(255, 255, 255);
    c.controlBorder = dark ? QColor(255, 255, 255, 22) : QColor(0, 0, 0, 30);
    c.hoverFill = dark ? QColor(255, 255, 255, 18) : QColor(0, 0, 0, 12);
    c.pressedFill = dark ? QColor(255, 255, 255, 34) : QColor(0, 0, 0, 26);
    c.materialFill = dark ? QColor(44, 44, 46, 224) : QColor(250, 250, 250, 214);
    return c;
}

StudioGlassInputs StudioColors::glassInputs() const
{
    return {systemGlassAvailable, environment.reduceTransparency, StudioContrast::standard};
}

QColor StudioColors::inkOn(const QColor& fill)
{
    return studioInkOn(fill);
}

QFont studioFont(StudioTextStyle style)
{
    return studioFont(textStylePixelSize(style),
                      textStyleIsSemibold(style) ? QFont::DemiBold : QFont::Normal);
}

QFont studioFont(int pixelSize, QFont::Weight weight)
{
    QFont font = QApplication::font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

double controlCornerRadius(double height)
{
    return std::clamp(height / 4.0, 4.0, 9.0);
}

QPainterPath controlShape(const QRectF& rect, ButtonBorderShape shape)
{
    QPainterPath path;
    if (shape == ButtonBorderShape::circle) {
        const double d = std::min(rect.width(), rect.height());
        path.addEllipse(QRectF(rect.center().x() - d / 2, rect.center().y() - d / 2, d, d));
    } else {
        const double r = controlCornerRadius(rect.height());
        path.addRoundedRect(rect, r, r);
    }
    return path;
}

void paintControlPlate(QPainter& painter, const QPainterPath& shape, GlassControlStyle style,
                       const QColor& tint, const StudioColors& colors, PlateState state)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const bool prominent = style == GlassControlStyle::borderedProminent
                           || style == GlassControlStyle::glassProminent;
    if (prominent && tint.isValid()) {
        QColor fill = tint;
        if (state.pressed)
            fill = fill.darker(118);
        else if (state.hovered)
            fill = fill.lighter(108);
        // A soft drop shadow lifts the filled plate off the window.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, colors.environment.isDark() ? 60 : 28));
        painter.drawPath(shape.translated(0, 0.5));
        painter.setBrush(fill);
        painter.drawPath(shape);
        // A faint light edge at the top, like a lit bevel.
        QLinearGradient sheen(shape.boundingRect().topLeft(), shape.boundingRect().bottomLeft());
        sheen.setColorAt(0, QColor(255, 255, 255, 34));
        sheen.setColorAt(0.5, QColor(255, 255, 255, 0));
        painter.setBrush(sheen);
        painter.drawPath(shape);
    } else {
        const bool dark = colors.environment.isDark();
        if (!dark) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0, 0, 0, 20));
            painter.drawPath(shape.translated(0, 0.5));
        }
        painter.setBrush(colors.controlFill);
        painter.setPen(QPen(colors.controlBorder, 1.0));
        painter.drawPath(shape);
        if (state.pressed || state.hovered) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(state.pressed ? colors.pressedFill : colors.hoverFill);
            painter.drawPath(shape);
        }
    }
    painter.restore();
}

void paintBorderlessPlate(QPainter& painter, const QPainterPath& shape, const StudioColors& colors,
                          PlateState state)
{
    if (!state.hovered && !state.pressed)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(state.pressed ? colors.pressedFill : colors.hoverFill);
    painter.drawPath(shape);
    painter.restore();
}

void paintGlassSurface(QPainter& painter, const QPainterPath& shape, const StudioColors& colors)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const bool solid = glassSurfaceKind(colors.glassInputs()) == GlassSurfaceKind::solid;
    painter.setPen(Qt::NoPen);
    painter.setBrush(solid ? colors.surface : colors.materialFill);
    painter.drawPath(shape);
    // The border is stroked inside the outline: clip to the shape and draw twice its width.
    QColor border = solid ? withAlpha(StudioSystemColors::label().resolved(colors.environment.scheme),
                                      solidSurfaceBorderOpacity)
                          : colors.separator;
    painter.setClipPath(shape, Qt::IntersectClip);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(border, 2.0));
    painter.drawPath(shape);
    painter.restore();
}

void paintFocusRing(QPainter& painter, const QPainterPath& shape, const StudioColors& colors)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(withAlpha(colors.accent, 0.55), 3.0));
    painter.drawPath(shape);
    painter.restore();
}

void paintTileBorder(QPainter& painter, const QRectF& rect, bool selected, const StudioColors& colors)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double width = selected ? 2.0 : 1.0;
    const QRectF inner = rect.adjusted(width / 2, width / 2, -width / 2, -width / 2);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(selected ? colors.accent
                                 : withAlpha(StudioSystemColors::label().resolved(colors.environment.scheme),
                                             0.1),
                        width));
    painter.drawRoundedRect(inner, tileCornerRadius - width / 2, tileCornerRadius - width / 2);
    painter.restore();
}

void paintDashedOutline(QPainter& painter, const QRectF& rect, const DashedOutline& outline)
{
    const double w = outline.width;
    QPainterPath path;
    path.addRect(rect.adjusted(w / 2, w / 2, -w / 2, -w / 2));
    QPainterPathStroker stroker;
    stroker.setWidth(w);
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setJoinStyle(Qt::MiterJoin);
    // The stroker counts dashes in line widths.
    QVector<qreal> pattern;
    for (const qreal length : outline.dash)
        pattern.append(length / w);
    if (!pattern.isEmpty())
        stroker.setDashPattern(pattern);
    const QPainterPath dashes = stroker.createStroke(path);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (outline.shadowRadius > 0) {
        // A blur of the dashes, drawn as rings of equal faint black that pile up towards the
        // dashes: darkest at their edge, gone at the radius. Cheap enough for every pointer move.
        constexpr int rings = 4;
        painter.setBrush(Qt::NoBrush);
        for (int i = rings; i >= 1; --i) {
            const double grow = outline.shadowRadius * i / rings;
            painter.setPen(QPen(QColor(0, 0, 0, 56), 2 * grow, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.drawPath(dashes);
        }
    }
    painter.fillPath(dashes, outline.color);
    painter.restore();
}

void paintCheckmark(QPainter& painter, const QRectF& rect, const QColor& color, double width)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    const double s = std::min(rect.width(), rect.height());
    const QPointF o(rect.center().x() - s / 2, rect.center().y() - s / 2);
    QPainterPath path;
    path.moveTo(o + QPointF(0.18 * s, 0.54 * s));
    path.lineTo(o + QPointF(0.42 * s, 0.76 * s));
    path.lineTo(o + QPointF(0.84 * s, 0.26 * s));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.restore();
}

} // namespace sablewick
