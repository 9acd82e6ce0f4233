#include "platform/single_instance.h"
#include "support/event_loop.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

namespace tallyglass {
namespace {

TEST(SingleInstance, SecondClaimAsksTheFirstToShow) {
    testing::TempHome home;
    const QString path = home.filePath(QStringLiteral("tallyglass.socket"));
    SingleInstance first(path);
    int shown = 0;
    QObject::connect(&first, &SingleInstance::showRequested, [&] { ++shown; });
    ASSERT_TRUE(first.claim());

    SingleInstance second(path);
    EXPECT_FALSE(second.claim());
    EXPECT_TRUE(testing::processEventsUntil([&] { return shown == 1; }));
}

TEST(SingleInstance, LeftoverSocketFileDoesNotBlockTheStart) {
    testing::TempHome home;
    const QString path = home.filePath(QStringLiteral("tallyglass.socket"));
    ASSERT_TRUE(testing::writeFile(path, "left by a crashed instance"));
    SingleInstance instance(path);
    EXPECT_TRUE(instance.claim());
    EXPECT_FALSE(SingleInstance(path).claim());
}

} // namespace
} // namespace tallyglass
