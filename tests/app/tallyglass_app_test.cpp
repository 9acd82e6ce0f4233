#include "app/reading_report.h"
#include "app/tallyglass_app.h"
#include "support/event_loop.h"
#include "support/fake_clock.h"
#include "support/fake_login_item.h"
#include "support/fake_source.h"
#include "support/fake_status_item.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

using namespace tallyglass;
using namespace tallyglass::testing;

namespace {

UsageSnapshot reading() {
    return UsageSnapshot{1'800'000'000.0,
                         "Opus 4.7",
                         "pro",
                         {{"seven_day", {17.4, 1'800'300'000.0, 10080.0}},
                          {"five_hour", {42.0, std::nullopt, 300.0}}}};
}

TEST(TallyglassApp, StatusItemFollowsEveryPublishedReading) {
    TempHome home;
    auto state = std::make_shared<FakeSource::State>();
    state->setResult(reading());
    auto item = std::make_unique<FakeStatusItem>();
    FakeStatusItem* tray = item.get();
    TallyglassApp app(fakeSources(state), std::make_shared<FakeClock>(), std::move(item),
                      std::make_shared<FakeLoginItem>());

    // Before the first load: the icon alone.
    ASSERT_EQ(tray->summaries.size(), 1u);
    EXPECT_EQ(tray->summaries.back(), std::nullopt);
    EXPECT_FALSE(tray->icon.isNull());

    ASSERT_TRUE(processEventsUntil([&] { return tray->summaries.size() > 1; }));
    EXPECT_EQ(tray->summaries.back(), QStringLiteral("42% \u00B7 17%"));

    // A refresh with the same figures leaves the tray alone.
    const auto shown = tray->summaries.size();
    const double checked = app.model().lastChecked();
    app.model().refresh();
    ASSERT_TRUE(processEventsUntil(
        [&] { return app.model().lastChecked() != checked || state->count("isAvailable") >= 2; }));
    processEventsFor(50);
    EXPECT_EQ(tray->summaries.size(), shown);

    state->setResult(std::nullopt);
    app.model().refresh();
    ASSERT_TRUE(processEventsUntil([&] { return tray->summaries.back() == std::nullopt; }));
}

TEST(InspectReport, LoadsWithoutPreparingAndOmitsAbsentFields) {
    auto state = std::make_shared<FakeSource::State>();
    state->setResult(reading(), false);
    auto empty = std::make_shared<FakeSource::State>();
    const auto report = inspectReport(fakeSources(state, empty));
    EXPECT_EQ(state->count("prepare"), 0u);
    const auto& claude = report["sources"][0];
    EXPECT_EQ(claude["available"], false);
    EXPECT_EQ(claude["summary"], "42% \u00B7 17%");
    EXPECT_FALSE(claude["snapshot"]["windows"]["five_hour"].contains("resets_at"));
    EXPECT_EQ(claude["labeled_windows"][0]["label"], "Current session (5h)");
    EXPECT_EQ(report["sources"][1]["kind"], "codex");
    EXPECT_FALSE(report["sources"][1].contains("snapshot"));
}

} // namespace
