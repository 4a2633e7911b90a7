#pragma once

#include <QProxyStyle>

namespace sablewick {

// The application style: Fusion underneath, with the kit's text fields (rounded border, accent
// focus ring, the regular control height unless a field asks for another size), slim rounded
// scroll bars, menus with an accent highlight and a check mark for the chosen item, and no dotted
// focus rectangles. Colours come from the theme's palette, so it follows
// light and dark.
class StudioStyle final : public QProxyStyle {
    Q_OBJECT

public:
    StudioStyle();

    // Makes it the application's style (once; later calls do nothing).
    static void install();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                         SubControl subControl, const QWidget* widget) const override;
    SubControl hitTestComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                     const QPoint& pos, const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override;
};

} // namespace sablewick
