#include "ui/menu_bar_icon.h"
#include "ui/status_label.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>

#include <cmath>

using namespace tallyglass;

namespace {

// Alpha at a point given in the icon's own space (origin bottom-left, y upwards).
int alphaAt(const QImage& image, double x, double y) {
    const double ratio = image.devicePixelRatio();
    const int px = static_cast<int>(std::floor(x * ratio));
    const int py = static_cast<int>(std::floor((menuBarIconSize.height() - y) * ratio));
    return qAlpha(image.pixel(px, py));
}

class MenuBarIcon : public ::testing::TestWithParam<double> {};

TEST_P(MenuBarIcon, OpaqueShapesAndTransparentHoles) {
    const QImage icon = menuBarIcon(GetParam());
    ASSERT_EQ(icon.size(), QSize(qRound(18 * GetParam()), qRound(16 * GetParam())));
    struct Point {
        const char* what;
        double x, y;
        bool opaque;
    };
    const Point points[] = {
        {"body left", 3.0, 6.0, true},
        {"body right", 15.0, 6.0, true},
        {"between the holes", 9.0, 6.0, true},
        {"under the holes", 5.75, 2.2, true},
        {"left hole", 5.75, 6.0, false},
        {"right hole", 12.25, 6.0, false},
        {"left hole edge", 5.0, 6.5, false},
        {"right hole edge", 12.9, 5.4, false},
        {"dot", 9.0, 13.75, true},
        {"above the dot", 9.0, 15.6, false},
        {"beside the stalk", 7.0, 11.5, false},
        {"rounded corner", 1.55, 1.05, false},
        {"below the body", 9.0, 0.5, false},
        {"right margin", 17.2, 5.0, false},
    };
    for (const Point& p : points) {
        const int alpha = alphaAt(icon, p.x, p.y);
        if (p.opaque)
            EXPECT_EQ(alpha, 255) << p.what;
        else
            EXPECT_EQ(alpha, 0) << p.what;
    }
    // The 1.5-point stalk covers whole pixels from 2x on, and part of one at 1x.
    EXPECT_GT(alphaAt(icon, 9.0, 11.5), GetParam() >= 2 ? 254 : 100);
}

INSTANTIATE_TEST_SUITE_P(DevicePixelRatios, MenuBarIcon, ::testing::Values(1.0, 2.0, 3.0));

TEST(MenuBarIconDrawing, FailsWithoutAnActivePainter) {
    QPainter idle;
    EXPECT_FALSE(drawMenuBarIcon(&idle));
    EXPECT_FALSE(drawMenuBarIcon(nullptr));
}

TEST(StatusLabel, IconAloneOrIconSpaceAndSummary) {
    const QFont font = QApplication::font();
    const QImage bare = renderStatusLabel(std::nullopt, 2, Qt::black, font);
    EXPECT_EQ(bare.width(), 36);

    const QImage labelled = renderStatusLabel(QStringLiteral("42% \u00B7 17%"), 2, Qt::black, font);
    EXPECT_GT(labelled.width(), 36 + 8 + 20);
    // The icon is the same whatever the label holds.
    const int top = (labelled.height() - 32) / 2;
    const int bareTop = (bare.height() - 32) / 2;
    EXPECT_EQ(labelled.copy(0, top, 36, 32), bare.copy(0, bareTop, 36, 32));
    // The 4-point gap stays empty; the text starts after it.
    for (int x = 36; x < 44; ++x)
        for (int y = 0; y < labelled.height(); ++y)
            ASSERT_EQ(qAlpha(labelled.pixel(x, y)), 0) << x << "," << y;
}

TEST(StatusLabel, TintFollowsTheTrayBackground) {
    EXPECT_EQ(trayTint(QColor(30, 30, 30)), QColor(Qt::white));
    EXPECT_EQ(trayTint(QColor(240, 240, 240)), QColor(Qt::black));
    const QPixmap white = tintedMenuBarIcon(1, Qt::white);
    const QImage image = white.toImage();
    EXPECT_EQ(image.pixelColor(3, 13).rgb(), QColor(Qt::white).rgb());
}

} // namespace
