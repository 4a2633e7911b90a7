#pragma once

// Colours, fonts and the few shapes every kit control is drawn from, so that all controls agree.

#include "components/StudioMaterial.h"
#include "components/StudioTokens.h"
#include "components/StudioTheme.h"

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QRectF>
#include <QVector>

class QPainter;
class QWidget;

namespace sablewick {

struct StudioColors {
    StudioEnvironment environment;
    QColor window;
    QColor label;
    QColor secondaryLabel;
    QColor tertiaryLabel;
    QColor separator;
    QColor surface;
    QColor accent;
    QColor red;
    QColor controlFill;
    QColor controlBorder;
    QColor hoverFill;
    QColor pressedFill;
    QColor materialFill;

    static StudioColors of(const QWidget* widget);
    static StudioColors from(const StudioEnvironment& environment);

    StudioGlassInputs glassInputs() const;
    // Black or white, whichever reads better on the fill (white when they tie).
    static QColor inkOn(const QColor& fill);
};

QFont studioFont(StudioTextStyle style);
QFont studioFont(int pixelSize, QFont::Weight weight = QFont::Normal);

// The outline of a control of a given shape in a rectangle.
QPainterPath controlShape(const QRectF& rect, ButtonBorderShape shape);
double controlCornerRadius(double height);

struct PlateState {
    bool hovered = false;
    bool pressed = false;
};

// A button's plate: bordered (a raised neutral fill) or bordered prominent (filled with the tint).
// `tint` invalid means untinted; it then draws the neutral plate even when prominent.
void paintControlPlate(QPainter& painter, const QPainterPath& shape, GlassControlStyle style,
                       const QColor& tint, const StudioColors& colors, PlateState state);

// A borderless control only shows a faint fill while the pointer is over it or it is pressed.
void paintBorderlessPlate(QPainter& painter, const QPainterPath& shape, const StudioColors& colors,
                          PlateState state);

// A floating surface: material with a hairline, or the opaque surface colour with a stronger
// border when transparency is reduced. The border lies inside the shape.
void paintGlassSurface(QPainter& painter, const QPainterPath& shape, const StudioColors& colors);

// The keyboard focus ring around a control's shape.
void paintFocusRing(QPainter& painter, const QPainterPath& shape, const StudioColors& colors);

// A selectable tile's frame: accent border (2 px) when selected, faint label border (1 px) otherwise.
void paintTileBorder(QPainter& painter, const QRectF& rect, bool selected, const StudioColors& colors);
inline constexpr double tileCornerRadius = 10.0;
// A disabled control is drawn at this opacity; a disabled tile a little fainter.
inline constexpr double disabledControlOpacity = 0.45;
inline constexpr double disabledTileOpacity = 0.42;
inline constexpr double pressedOpacity = 0.78;

// A dashed outline stroked inside `rect` (nothing of it outside), the dash lengths in points, as
// the selection and crop marks on a picture are drawn. With a shadow radius the dashes lie on a
// soft black shadow that keeps them readable on a picture of any colour.
struct DashedOutline {
    QColor color;
    double width = 1;
    QVector<qreal> dash;  // on, off, ... in points
    double shadowRadius = 0;
};
void paintDashedOutline(QPainter& painter, const QRectF& rect, const DashedOutline& outline);

// A check mark drawn as a stroke, centred in `rect`.
void paintCheckmark(QPainter& painter, const QRectF& rect, const QColor& color, double width);

} // namespace sablewick
