#pragma once

// A picture of a desktop for the screenshot benchmarks: what a real screenshot holds, so that
// encoders and resamplers meet the same detail.

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <random>

namespace sablewick::bench {

// Windows with title bars, lines of text, buttons and photo-like gradients, as a desktop shows.
inline QImage screenLike(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient desktop(0, 0, size.width(), size.height());
    desktop.setColorAt(0, QColor(40, 70, 120));
    desktop.setColorAt(1, QColor(150, 90, 140));
    painter.fillRect(image.rect(), desktop);
    std::mt19937 random(7);
    auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    QFont font;
    font.setPixelSize(26);
    painter.setFont(font);
    for (int w = 0; w < 6; ++w) {
        const QRect window(between(0, size.width() / 2), between(0, size.height() / 2), between(900, 1800),
                           between(600, 1200));
        painter.fillRect(window, QColor(245, 245, 247));
        painter.fillRect(window.x(), window.y(), window.width(), 56, QColor(225, 225, 230));
        for (int line = 0; line * 40 + 80 < window.height(); ++line) {
            painter.setPen(QColor(between(0, 80), between(0, 80), between(0, 80)));
            painter.drawText(window.x() + 30, window.y() + 100 + line * 40,
                             QStringLiteral("The quick brown fox jumps over the lazy dog %1").arg(between(0, 99999)));
        }
        QLinearGradient photo(window.topLeft(), window.bottomRight());
        photo.setColorAt(0, QColor(between(0, 255), between(0, 255), between(0, 255)));
        photo.setColorAt(1, QColor(between(0, 255), between(0, 255), between(0, 255)));
        painter.fillRect(QRect(window.right() - 420, window.y() + 80, 380, 260), photo);
    }
    return image;
}

}  // namespace sablewick::bench
