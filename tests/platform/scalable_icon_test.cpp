#include "support/contrast.h"
#include "ui/menu_bar_icon.h"
#include "ui/panel_style.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

using namespace tallyglass;

namespace {

// The scalable icon desktops show for the program is the drawn icon: rasterised, it covers the
// same pixels.
TEST(ScalableIcon, HasTheDrawnGeometry) {
    QSvgRenderer renderer(QStringLiteral(TALLYGLASS_SCALABLE_ICON));
    ASSERT_TRUE(renderer.isValid());
    // Four pixels a unit of the 18-unit view box.
    QImage svg(72, 72, QImage::Format_ARGB32_Premultiplied);
    svg.fill(Qt::transparent);
    QPainter svgPainter(&svg);
    renderer.render(&svgPainter);
    svgPainter.end();

    QImage drawn(72, 72, QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    painter.translate(0, 4); // the 16-unit height centred in 18
    painter.scale(4, 4);
    ASSERT_TRUE(drawMenuBarIcon(&painter));
    painter.end();

    // The two renderers place edges a little differently; any difference away from an edge
    // of the drawn icon is a shape out of place.
    auto opaque = [](const QImage& image, int x, int y) {
        return image.rect().contains(x, y) && qAlpha(image.pixel(x, y)) > 127;
    };
    int offEdge = 0;
    for (int y = 0; y < 72; ++y) {
        for (int x = 0; x < 72; ++x) {
            if (opaque(svg, x, y) == opaque(drawn, x, y))
                continue;
            bool nearEdge = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    nearEdge |= opaque(drawn, x + dx, y + dy) != opaque(drawn, x, y);
            offEdge += !nearEdge;
        }
    }
    EXPECT_EQ(offEdge, 0);
    EXPECT_EQ(qAlpha(svg.pixel(23, 44)), 0) << "left hole";
    EXPECT_EQ(qAlpha(svg.pixel(49, 44)), 0) << "right hole";
    EXPECT_EQ(qAlpha(svg.pixel(36, 44)), 255) << "between the holes";
}

// KDE paints the named icon in its text and background colours (text first below) and keeps
// them after a switch of scheme, or under a Plasma style darker than its colours: on the bar
// of either Breeze scheme, it must still read.
TEST(ScalableIcon, NamedOneReadsInKdeColoursOnEitherBar) {
    QFile file(QStringLiteral(TALLYGLASS_SYMBOLIC_ICON));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray svg = file.readAll();
    const int style = svg.indexOf('>', svg.indexOf("<style id=\"current-color-scheme\"")) + 1;
    const QString colours(".ColorScheme-Text { color:%1; } .ColorScheme-Background { color:%2; }");
    for (const char* scheme : {"#232629 #eff0f1", "#fcfcfc #2a2e32"}) {
        QSvgRenderer renderer(QByteArray(svg).replace(
            style, svg.indexOf("</style>") - style,
            colours.arg(QLatin1String(scheme, 7), QLatin1String(scheme + 8)).toUtf8()));
        for (const QColor bar : {QColor(0xef, 0xf0, 0xf1), QColor(0x2a, 0x2e, 0x32)}) {
            QImage shown(22, 22, QImage::Format_RGB32);
            shown.fill(bar);
            QPainter painter(&shown);
            renderer.render(&painter);
            painter.end();
            EXPECT_GE(highestContrast(shown, bar), 3.0)
                << scheme << " on " << bar.name().toStdString();
        }
    }
}

} // namespace
