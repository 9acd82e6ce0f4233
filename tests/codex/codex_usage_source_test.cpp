#include "sources/codex/codex_usage_source.h"
#include "support/codex_home_builder.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace tallyglass {
namespace {

using testing::RolloutWriter;

constexpr std::int64_t day = 1765152000; // 2025-12-08T00:00:00Z

// A realistic session whose last event reports the given five-hour percentage at eventTime.
std::string session(double eventTime, double percent, const std::string& model = "gpt-5.1-codex") {
    RolloutWriter writer(eventTime - 600, std::uint32_t(eventTime));
    writer.sessionMeta().turnContext(model).turnsUntil(40'000);
    writer.tokenCount(testing::codexTimestamp(eventTime),
                      testing::rateLimits(percent, 50, eventTime));
    return writer.text();
}

std::optional<double> fiveHour(const std::optional<UsageSnapshot>& snapshot) {
    if (!snapshot || !snapshot->windows.count("five_hour"))
        return std::nullopt;
    return snapshot->windows.at("five_hour").usedPercentage;
}

// Rewrites a file with other bytes of the same length and puts its time back: a cache keyed
// by path, time and size cannot tell, so only a read of the file would show the change.
void replaceKeepingKey(const QString& path, const std::string& from, const std::string& to) {
    QFileInfo info(path);
    const std::int64_t modified = info.lastModified().toSecsSinceEpoch();
    std::string bytes = testing::readFile(path).toStdString();
    ASSERT_EQ(from.size(), to.size());
    const std::size_t at = bytes.rfind(from);
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, from.size(), to);
    ASSERT_TRUE(testing::writeFile(path, QByteArray::fromStdString(bytes)));
    ASSERT_TRUE(testing::setModificationTime(path, modified));
}

TEST(CodexUsageSource, AvailabilityDependsOnTheSessionsFolderOnly) {
    testing::TempHome home;
    CodexUsageSource source;
    EXPECT_FALSE(source.isAvailable());
    EXPECT_FALSE(source.loadSnapshot());
    testing::CodexHomeBuilder codex(home.filePath(".codex"));
    codex.addArchived(day, session(day + 100, 12), day + 200);
    EXPECT_FALSE(source.isAvailable());
    EXPECT_EQ(fiveHour(source.loadSnapshot()), 12);
    ASSERT_TRUE(testing::writeFile(codex.root() + "/sessions", "not a folder"));
    EXPECT_FALSE(source.isAvailable());
    QFile::remove(codex.root() + "/sessions");
    ASSERT_TRUE(QDir().mkpath(codex.root() + "/sessions"));
    EXPECT_TRUE(source.isAvailable());
}

TEST(CodexUsageSource, ReturnsTheLatestReadingAmongTheFiveNewestFiles) {
    testing::TempHome home;
    testing::CodexHomeBuilder codex(home.filePath(".codex"));
    // Modified in this order; the oldest file holds the latest event of all and is not read.
    codex.addSession(day, session(day + 9000, 99), day + 100);
    codex.addSession(day, session(day + 500, 10), day + 200);
    codex.addSession(day, session(day + 2000, 20), day + 300);
    codex.addSession(day, session(day + 800, 30), day + 400);
    codex.addArchived(day, session(day + 1000, 40), day + 500);
    codex.addSession(day, session(day + 1000, 50), day + 600);
    CodexUsageSource source;
    EXPECT_EQ(fiveHour(source.loadSnapshot()), 20);
}

TEST(CodexUsageSource, OnEqualEventTimesPrefersTheNewerFileAndSessionsOverTheArchive) {
    testing::TempHome home;
    testing::CodexHomeBuilder codex(home.filePath(".codex"));
    codex.addSession(day, session(day + 1000, 10), day + 100);
    codex.addArchived(day, session(day + 1000, 20), day + 200);
    codex.addSession(day, session(day + 1000, 30), day + 200);
    CodexUsageSource source;
    EXPECT_EQ(fiveHour(source.loadSnapshot()), 30);
}

TEST(CodexUsageSource, AnUnchangedNewestFileMeansNoFileIsRead) {
    testing::TempHome home;
    testing::CodexHomeBuilder codex(home.filePath(".codex"));
    const QString older = codex.addSession(day, session(day + 100, 11), day + 1000);
    const QString newest = codex.addSession(day, session(day + 200, 22), day + 2000);
    CodexUsageSource source;
    ASSERT_EQ(fiveHour(source.loadSnapshot()), 22);

    replaceKeepingKey(newest, "\"used_percent\":22.0", "\"used_percent\":33.0");
    replaceKeepingKey(older, "\"used_percent\":11.0", "\"used_percent\":44.0");
    EXPECT_EQ(fiveHour(source.loadSnapshot()), 22);
    EXPECT_EQ(fiveHour(source.loadSnapshot()), 22);

    // Any change of the newest file's key causes a full load.
    ASSERT_TRUE(testing::setModificationTime(newest, day + 2000, 1));
    EXPECT_EQ(fiveHour(source.loadSnapshot()), 33);
}

TEST(CodexUsageSource, CachesAnAbsentReadingAndForgetsWhenTheFilesGo) {
    testing::TempHome home;
    testing::CodexHomeBuilder codex(home.filePath(".codex"));
    RolloutWriter writer(day, 3);
    writer.sessionMeta().turnContext().turnsUntil(40'000, 4'096, false);
    // An event whose type marker is broken, so the parser passes it by.
    std::string masked = testing::tokenCountLine(testing::codexTimestamp(day + 100),
                                                 testing::rateLimits(0, 50, day + 100));
    masked.replace(masked.find("\"token_count\""), 13, "\"token_c0unt\"");
    const QString path = codex.addSession(day, writer.text() + masked + "\n", day + 1000);

    CodexUsageSource source;
    EXPECT_FALSE(source.loadSnapshot());
    replaceKeepingKey(path, "\"token_c0unt\"", "\"token_count\"");
    EXPECT_FALSE(source.loadSnapshot());

    // With every file gone the cache is cleared: the same key, met again, is read afresh.
    const QByteArray bytes = testing::readFile(path);
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_FALSE(source.loadSnapshot());
    ASSERT_TRUE(testing::writeFile(path, bytes) && testing::setModificationTime(path, day + 1000));
    EXPECT_EQ(fiveHour(source.loadSnapshot()), 0);
}

} // namespace
} // namespace tallyglass
