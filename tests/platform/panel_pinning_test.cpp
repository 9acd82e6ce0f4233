#include "platform/panel_pinning.h"

#include <gtest/gtest.h>

using namespace tallyglass;

namespace {

// Each quarter of a screen that does not start at the origin (the second of two side by side).
TEST(PanelPinning, CornerNearestTheItem) {
    const QRect screen(1920, 0, 1280, 800);
    const struct {
        std::optional<QPoint> item;
        ScreenCorner corner;
    } cases[] = {
        {QPoint(3150, 10), ScreenCorner::topRight},
        {QPoint(1930, 10), ScreenCorner::topLeft},
        {QPoint(3150, 790), ScreenCorner::bottomRight},
        {QPoint(2000, 790), ScreenCorner::bottomLeft},
        {QPoint(2500, 300), ScreenCorner::topLeft},
        {std::nullopt, ScreenCorner::topRight},
    };
    for (const auto& c : cases)
        EXPECT_EQ(nearestCorner(c.item, screen), c.corner) << c.item.value_or(QPoint()).x();
}

} // namespace
