#include "components/StudioIcons.h"
#include "components/StudioSymbols.h"

#include "components/SymbolPixels.h"

#include <QImage>

#include <gtest/gtest.h>

namespace sablewick {
namespace {

// Every symbol draws, and a symbolic icon takes exactly the colour it is given, so it reads on a
// dark window as well as on a light one.
TEST(StudioIcons, EverySymbolDrawsInTheGivenColour)
{
    for (const QColor& ink : {QColor(0xFF, 0x3B, 0x30), QColor(Qt::white)}) {
        for (const StudioSymbolEntry& entry : studioSymbolTable()) {
            const QString symbol = QString::fromLatin1(entry.symbol.data(), static_cast<qsizetype>(entry.symbol.size()));
            const QPixmap pixmap = studioSymbolPixmap(symbol, 16, ink, 2.0);
            ASSERT_FALSE(pixmap.isNull()) << entry.symbol;
            const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
            EXPECT_EQ(image.size(), QSize(32, 32)) << entry.symbol;
            int inked = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = QColor::fromRgba(image.pixel(x, y));
                    if (c.alpha() < 128)
                        continue;
                    ++inked;
                    EXPECT_LE(std::abs(c.red() - ink.red()) + std::abs(c.green() - ink.green())
                                  + std::abs(c.blue() - ink.blue()),
                              6)
                        << entry.symbol << " at " << x << "," << y;
                }
            EXPECT_GT(inked, 12) << entry.symbol << " drew nothing";
        }
    }
    EXPECT_TRUE(studioSymbolPixmap(QStringLiteral("no.such.symbol"), 16, Qt::black).isNull());
}

// Symbols of a ring around a mark: the record symbol (a dot), the information symbol (the letter
// i, not Adwaita's light bulb) and the numbered badge. At every size each is drawn with its ring
// all the way round and clear of its mark, so that none reads as a filled disc or another picture.
TEST(StudioIcons, RingSymbolsShowARingAroundTheirMark)
{
    const QColor ink(0x0A, 0x84, 0xFF);
    for (const char* name : {"record.circle", "info.circle", "1.circle"})
        for (int size : {13, 16, 54})
            for (qreal ratio : {1.0, 2.0}) {
                const QPixmap pixmap = studioSymbolPixmap(QString::fromLatin1(name), size, ink, ratio);
                ASSERT_FALSE(pixmap.isNull()) << name;
                EXPECT_EQ(test::ringSymbolFault(pixmap.toImage()), "") << name << " at " << size << "@" << ratio;
            }
}

} // namespace
} // namespace sablewick
