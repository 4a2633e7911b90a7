#pragma once

// Shared helpers of the kit's widget tests: a themed host window, real mouse events and pixel
// measurements on offscreen grabs.

#include "components/StudioPaint.h"
#include "preferences/StudioAccent.h"
#include "components/StudioTheme.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>

namespace sablewick::test {

inline StudioEnvironment environment(StudioColorScheme scheme, QColor accent, bool reduceTransparency = false)
{
    StudioEnvironment e;
    e.scheme = scheme;
    e.accent = accent;
    e.transparencyReduction = reduceTransparency;
    e.reduceTransparency = reduceTransparency;
    return e;
}

// A shown top-level window in a given environment holding one widget.
struct Host {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QVBoxLayout* layout = new QVBoxLayout(window.get());

    explicit Host(const StudioEnvironment& env, QSize size = {480, 200})
    {
        StudioTheme::setEnvironment(window.get(), env);
        layout->setContentsMargins(10, 10, 10, 10);
        window->resize(size);
    }
    template <class W>
    W* add(W* widget, Qt::Alignment alignment = {})
    {
        layout->addWidget(widget, 0, alignment);
        return widget;
    }
    void show()
    {
        window->show();
        layout->activate();
        QApplication::processEvents();
    }
};

inline void press(QWidget* widget, QPoint pos)
{
    QMouseEvent down(QEvent::MouseButtonPress, QPointF(pos), widget->mapToGlobal(QPointF(pos)), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &down);
}

inline void release(QWidget* widget, QPoint pos)
{
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(pos), widget->mapToGlobal(QPointF(pos)), Qt::LeftButton,
                   Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &up);
}

inline void click(QWidget* widget, QPoint pos)
{
    press(widget, pos);
    release(widget, pos);
}

inline void click(QWidget* widget)
{
    click(widget, widget->rect().center());
}

inline QImage grabImage(QWidget* widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

inline QColor pixel(const QImage& image, int x, int y)
{
    return QColor::fromRgba(image.pixel(x, y));
}

// How far apart two colours are, channel by channel.
inline int colourDistance(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

// The strongest contrast any pixel of `area` reaches against `background`: for a label, that of
// its text's ink.
inline double strongestContrast(const QImage& image, const QRect& area, const QColor& background)
{
    double best = 1.0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            best = std::max(best, StudioAccentContrast::ratio(pixel(image, x, y), background));
    return best;
}

// The share of the area's pixels within `tolerance` of a colour.
inline double shareOf(const QImage& image, const QRect& area, const QColor& colour, int tolerance = 12)
{
    const QRect r = area.intersected(image.rect());
    int hits = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            hits += colourDistance(pixel(image, x, y), colour) <= tolerance ? 1 : 0;
    return r.isEmpty() ? 0.0 : static_cast<double>(hits) / (r.width() * r.height());
}

} // namespace sablewick::test
