#include "ui/menu_bar_icon.h"

#include <gtest/gtest.h>

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

} // namespace
