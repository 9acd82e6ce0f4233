#include "installed_helper.h"

#include "sources/claude/claude_usage_source.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace tallyglass;
using namespace tallyglass::testing;

namespace {

TEST(ClaudeUsageSource, ReadsOnlyAWholeDecodableSnapshot) {
    TempHome home;
    ClaudeUsageSource source(testRunnerPath());
    EXPECT_FALSE(source.isAvailable());
    EXPECT_FALSE(source.loadSnapshot());

    QDir().mkpath(claudeFolderPath());
    EXPECT_FALSE(source.isAvailable());

    for (const QByteArray& bytes :
         {QByteArray(""), QByteArray("not json"), QByteArray(R"({"model":"Opus","windows":{}})")}) {
        writeFile(snapshotFilePath(), bytes);
        EXPECT_TRUE(source.isAvailable()) << bytes.constData();
        EXPECT_FALSE(source.loadSnapshot()) << bytes.constData();
    }

    writeFile(
        snapshotFilePath(),
        R"({"updated_at":1700000000.5,"model":"Opus","windows":{"five_hour":{"used_percentage":42}}})");
    // The path starts at the home folder, wherever the process stands.
    QDir::setCurrent(QDir::rootPath());
    EXPECT_EQ(source.loadSnapshot(),
              (UsageSnapshot{1700000000.5, "Opus", {}, {{"five_hour", {42.0, {}, {}}}}}));

    QFile::remove(snapshotFilePath());
    QDir().mkpath(snapshotFilePath());
    EXPECT_FALSE(source.loadSnapshot());
}

TEST(ClaudeUsageSource, OneHelperRunAfterPrepareFeedsLoadSnapshot) {
    TempHome home;
    ClaudeUsageSource source(testRunnerPath());
    source.prepare();
    const ProcessResult run = runInstalledHelper(
        R"({"model":{"display_name":"Sonnet 5"},"rate_limits":{"five_hour":{"used_percentage":12.5,"resets_at":1787054400},"seven_day":{"used_percentage":40.2,"resets_at":1787385600},"seven_day_opus":{"used_percentage":3}}})");
    ASSERT_EQ(run.exitCode, 0);
    ASSERT_TRUE(source.isAvailable());
    const auto snapshot = source.loadSnapshot();
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->model, "Sonnet 5");
    EXPECT_EQ(snapshot->windows,
              (std::map<std::string, UsageWindow>{{"five_hour", {12.5, 1787054400.0, {}}},
                                                  {"seven_day", {40.2, 1787385600.0, {}}},
                                                  {"seven_day_opus", {3.0, {}, {}}}}));
}

} // namespace
