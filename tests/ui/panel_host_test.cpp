#include "support/event_loop.h"
#include "support/fake_clock.h"
#include "support/fake_login_item.h"
#include "support/fake_source.h"
#include "support/temp_home.h"
#include "ui/date_texts.h"
#include "ui/menu_view.h"
#include "ui/panel_host.h"
#include "ui/usage_row.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

namespace tallyglass {
namespace {

class PanelHostTest : public ::testing::Test {
protected:
    PanelHostTest()
        : model(testing::fakeSources(source), clock)
        , host(model, clock, std::make_shared<testing::FakeLoginItem>()) {}

    testing::TempHome home;
    std::shared_ptr<testing::FakeClock> clock = std::make_shared<testing::FakeClock>();
    std::shared_ptr<testing::FakeSource::State> source =
        std::make_shared<testing::FakeSource::State>();
    UsageModel model;
    PanelHost host;
};

// A hostile reading with thousands of windows: the known ones and a few dozen more are built.
TEST_F(PanelHostTest, AReadingWithThousandsOfWindowsBuildsABoundedPanel) {
    UsageSnapshot snapshot{clock->now(), {}, {}, {{"five_hour", {}}, {"seven_day_sonnet", {}}}};
    for (int i = 0; i < 3000; ++i)
        snapshot.windows["extra_" + std::to_string(i)] = {1.0, clock->now() + 60, 60.0};
    source->setResult(snapshot);
    model.refresh();
    ASSERT_TRUE(testing::processEventsUntil([&] { return model.snapshot().has_value(); }));
    host.showWindow();
    const auto rows = host.view()->findChildren<UsageRow*>();
    EXPECT_LE(rows.size(), 50);
    EXPECT_EQ(rows.front()->objectName(), QStringLiteral("usageRow_five_hour"));
    EXPECT_EQ(rows.back()->objectName(), QStringLiteral("usageRow_seven_day_sonnet"));
}

// ICU keeps the zone it first read; reset times follow the system's zone when it changes.
TEST(DateTexts, FollowTheSystemsTimeZone) {
    const double instant = 1'800'000'000; // 2027-01-15 08:00 UTC
    const QString utc = dateTimeText(instant);
    qputenv("TZ", "Asia/Tokyo");
    const QString tokyo = dateTimeText(instant);
    qputenv("TZ", "UTC");
    EXPECT_TRUE(utc.contains(QStringLiteral("8:00"))) << utc.toStdString();
    EXPECT_TRUE(tokyo.contains(QStringLiteral("5:00"))) << tokyo.toStdString();
    EXPECT_EQ(dateTimeText(instant), utc);
}

TEST_F(PanelHostTest, AttachedPanelTogglesAndAWindowClosesToHidden) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    host.toggleNear(screen.topRight());
    ASSERT_TRUE(host.isOpen());
    EXPECT_TRUE(screen.contains(host.view()->geometry()));
    EXPECT_TRUE(host.view()->windowFlags().testFlag(Qt::FramelessWindowHint));
    host.toggleNear(screen.topRight());
    EXPECT_FALSE(host.isOpen());
    // A tray click right after the panel closed is the click that closed it.
    host.toggleNear(screen.topRight());
    EXPECT_FALSE(host.isOpen());

    host.showWindow();
    EXPECT_TRUE(host.isWindowed());
    EXPECT_FALSE(host.view()->windowFlags().testFlag(Qt::FramelessWindowHint));
    MenuView* view = host.view();
    view->close();
    EXPECT_FALSE(host.isOpen());
    testing::processEventsFor(PanelHost::reopenGuardMs + 50);
    host.toggleNear(std::nullopt);
    EXPECT_EQ(host.view(), view);
    EXPECT_TRUE(host.isOpen());
}

} // namespace
} // namespace tallyglass
