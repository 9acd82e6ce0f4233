#include "app/alert_memory_file.h"
#include "core/pace.h"
#include "core/usage_alerts.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace tallyglass;

namespace {

constexpr double t0 = 1'800'000'000;
using Type = UsageAlert::Type;

TEST(PaceForecast, ComesFromTheLastHourOfEnoughRisingReadings) {
    const struct {
        std::vector<PaceReading> readings;
        std::optional<double> fullAt;
    } cases[] = {
        {{{t0, 40}}, std::nullopt},
        {{{t0, 40}, {t0 + 540, 60}}, std::nullopt},                 // under ten minutes
        {{{t0, 40}, {t0 + 1200, 60}}, t0 + 3600},                   // 1 % a minute
        {{{t0, 60}, {t0 + 1200, 50}}, std::nullopt},                // falling
        {{{t0, 40}, {t0 + 600, 60}, {t0 + 900, 55}}, std::nullopt}, // falling last
        {{{t0, 60}, {t0 + 1200, 60}}, std::nullopt},                // flat
        {{{t0, 60}, {t0 + 1200, 100}}, std::nullopt},               // already full
        {{{t0, 0}, {t0 + 5400, 30}, {t0 + 7200, 60}}, t0 + 9600},   // the last hour's pace
        {{{t0, 20}, {t0 + 7200, 40}}, t0 + 28800},                  // only an older reading
    };
    for (const auto& [readings, fullAt] : cases)
        EXPECT_EQ(paceForecast(readings), fullAt) << readings.size() << " readings";
}

UsageSnapshot reading(double percentage, double at, double resetsAt = t0 + 3 * 3600) {
    return UsageSnapshot{at, {}, {}, {{"five_hour", {percentage, resetsAt, 300}}}};
}

std::vector<Type> types(const std::vector<UsageAlert>& alerts) {
    std::vector<Type> result;
    for (const UsageAlert& alert : alerts)
        result.push_back(alert.type);
    return result;
}

// Each crossing once per period, also across a restart; a full window that resets says so
// once; a reading from before the reset never warns.
TEST(UsageAlerts, TellEachThingOncePerPeriod) {
    tallyglass::testing::TempHome home;
    const QString path = home.filePath(QStringLiteral("state/alerts.json"));
    const WatchPreferences preferences;
    auto alerts = std::make_unique<UsageAlerts>(std::make_shared<AlertMemoryFile>(path));
    const auto see = [&](const UsageSnapshot& snapshot, double now,
                         SourceId source = SourceKind::claude) {
        return types(alerts->observe(source, snapshot, now, preferences));
    };
    EXPECT_EQ(see(reading(50, t0), t0), std::vector<Type>{});
    const auto crossed =
        alerts->observe(SourceKind::claude, reading(85, t0 + 60), t0 + 60, preferences);
    ASSERT_EQ(types(crossed), std::vector{Type::threshold});
    EXPECT_EQ(crossed[0].label, "Current session (5h)");
    EXPECT_EQ(see(reading(90, t0 + 120), t0 + 120), std::vector<Type>{});
    // A second Claude account's window is a window of its own.
    EXPECT_EQ(see(reading(85, t0 + 60), t0 + 120, SourceId(SourceKind::claude, 2)),
              std::vector{Type::threshold});

    alerts = std::make_unique<UsageAlerts>(std::make_shared<AlertMemoryFile>(path));
    EXPECT_EQ(see(reading(90, t0 + 180), t0 + 180), std::vector<Type>{});
    EXPECT_EQ(see(reading(100, t0 + 240), t0 + 240), std::vector{Type::threshold});
    EXPECT_EQ(see(reading(100, t0 + 240), t0 + 4 * 3600), std::vector{Type::reset});
    alerts = std::make_unique<UsageAlerts>(std::make_shared<AlertMemoryFile>(path));
    EXPECT_EQ(see(reading(100, t0 + 240), t0 + 4 * 3600), std::vector<Type>{});
    EXPECT_EQ(see(reading(2, t0 + 4 * 3600, t0 + 8 * 3600), t0 + 4 * 3600), std::vector<Type>{});
    // Codex read long ago, before its window reset.
    EXPECT_EQ(see(reading(97, t0, t0 + 600), t0 + 3600, SourceKind::codex), std::vector<Type>{});

    // 60 % to 80 % in twenty minutes: full twenty minutes from now.
    EXPECT_EQ(see(reading(60, t0, t0 + 9000), t0, SourceKind::codex), std::vector<Type>{});
    const auto pace = alerts->observe(SourceKind::codex, reading(80, t0 + 1200, t0 + 9000),
                                      t0 + 1200, preferences);
    EXPECT_EQ(types(pace), (std::vector{Type::threshold, Type::pace}));
    EXPECT_EQ(pace.back().fullAt, t0 + 2400);
}

// An idle assistant's last reading, newer or older than a reset long past, is read at every
// refresh: with nothing new to remember it must not write at every refresh.
TEST(UsageAlerts, WriteOnlyWhatIsNew) {
    tallyglass::testing::TempHome home;
    const QString path = home.filePath(QStringLiteral("alerts.json"));
    UsageAlerts alerts(std::make_shared<AlertMemoryFile>(path));
    const double day = 86400;
    for (const UsageSnapshot& snapshot :
         {reading(37, t0, t0 - 30 * day), reading(37, t0 - 40 * day, t0 - 30 * day)}) {
        alerts.observe(SourceKind::claude, snapshot, t0, {});
        QFile::remove(path);
        alerts.observe(SourceKind::claude, snapshot, t0 + 10, {});
        EXPECT_FALSE(QFile::exists(path)) << snapshot.updatedAt;
    }
}

TEST(UsageAlerts, UnusableMemoryIsNoMemory) {
    const QByteArray files[] = {"",
                                "{\"windows\": {\"claude/five_hour\": {\"announced\": \"80\", "
                                "\"readings\": [[1, \"x\"], 5]}}}",
                                "[1, 2]", "{\"windows\": [", QByteArray(4096, '\xff')};
    for (const QByteArray& bytes : files) {
        tallyglass::testing::TempHome home;
        const QString path = home.filePath(QStringLiteral("alerts.json"));
        ASSERT_TRUE(tallyglass::testing::writeFile(path, bytes));
        UsageAlerts alerts(std::make_shared<AlertMemoryFile>(path));
        EXPECT_EQ(types(alerts.observe(SourceKind::claude, reading(85, t0), t0, {})),
                  std::vector{Type::threshold})
            << bytes.left(40).toStdString();
    }
}

} // namespace
