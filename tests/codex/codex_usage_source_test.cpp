#include "sources/codex/codex_usage_source.h"
#include "support/codex_home_builder.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace tallyglass {
namespace {

constexpr std::int64_t day = 1765152000; // 2025-12-08T00:00:00Z

// A session whose last event, at eventTime, reports the five-hour percentage.
std::string session(double eventTime, double percent) {
    return testing::tokenCountLine(eventTime, percent, 50) + '\n';
}

std::optional<double> fiveHour(const std::optional<UsageSnapshot>& snapshot) {
    return snapshot ? snapshot->windows.at("five_hour").usedPercentage : std::nullopt;
}

// Rewrites every occurrence of a text in a file with another of the same length and puts
// the file's time back: only reading the file could show the change.
void replaceKeepingKey(const QString& path, const std::string& from, const std::string& to) {
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);
    ASSERT_EQ(from.size(), to.size());
    std::string bytes = testing::readFile(path).toStdString();
    for (std::size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at))
        bytes.replace(at, from.size(), to);
    ASSERT_TRUE(testing::writeFile(path, QByteArray::fromStdString(bytes)));
    ASSERT_TRUE(testing::setModificationTime(path, before.st_mtim.tv_sec, before.st_mtim.tv_nsec));
}

TEST(CodexUsageSource, FollowsTheHomeWhereverItIsAndItsSessionsFolderOnly) {
    testing::TempHome home;
    CodexUsageSource source;
    EXPECT_FALSE(source.isAvailable());
    EXPECT_FALSE(source.loadSnapshot());
    testing::CodexHomeBuilder codex(home.filePath(".codex")), other(home.filePath("other"));
    codex.addSession(day, session(day + 100, 12), day + 200, true);
    other.addSession(day, session(day + 100, 13), day + 200);
    EXPECT_FALSE(source.isAvailable());
    EXPECT_EQ(fiveHour(source.loadSnapshot()), 12);
    qputenv("CODEX_HOME", QFile::encodeName(other.root()));
    EXPECT_TRUE(source.isAvailable());
    EXPECT_EQ(fiveHour(source.loadSnapshot()), 13);
    qunsetenv("CODEX_HOME");
    EXPECT_EQ(fiveHour(source.loadSnapshot()), 12);
    ASSERT_TRUE(testing::writeFile(codex.root() + "/sessions", "not a folder"));
    EXPECT_FALSE(source.isAvailable());
    ASSERT_TRUE(QFile::remove(codex.root() + "/sessions") &&
                QDir().mkpath(codex.root() + "/sessions"));
    EXPECT_TRUE(source.isAvailable());
}

TEST(CodexUsageSource, ReturnsTheLatestReadingAmongTheFiveNewestFiles) {
    testing::TempHome home;
    testing::CodexHomeBuilder codex(home.filePath(".codex"));
    // Modified in this order; the oldest file holds the latest event of all and is not read,
    // the fifth newest the latest of the rest. Which event wins among files read is for
    // RolloutParsing to show.
    codex.addSession(day, session(day + 9000, 99), day + 100);
    codex.addSession(day, session(day + 2000, 20), day + 200);
    codex.addSession(day, session(day + 500, 10), day + 300);
    codex.addSession(day, session(day + 800, 30), day + 400);
    codex.addSession(day, session(day + 1000, 40), day + 500, true);
    codex.addSession(day, session(day + 1000, 50), day + 600);
    EXPECT_EQ(fiveHour(CodexUsageSource().loadSnapshot()), 20);
}

TEST(CodexUsageSource, UnchangedFilesMeanNoFileIsRead) {
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
    // Any change of a read file's key causes a full load, not only of the newest one: a log
    // stamped in the future would stay newest while Codex writes elsewhere.
    ASSERT_TRUE(testing::setModificationTime(older, day + 1000, 1));
    EXPECT_EQ(fiveHour(source.loadSnapshot()), 33);

    // An absent reading is cached too, until every file is gone; then the same key, met again,
    // is read afresh. The newest file's event is first hidden by a broken type marker.
    replaceKeepingKey(newest, "\"token_count\",\"info\"", "\"token_c0unt\",\"info\"");
    replaceKeepingKey(older, "\"token_count\",\"info\"", "\"token_c0unt\",\"info\"");
    ASSERT_TRUE(testing::setModificationTime(newest, day + 2000, 2));
    ASSERT_TRUE(QFile::remove(older));
    EXPECT_EQ(source.loadSnapshot(), std::nullopt);
    replaceKeepingKey(newest, "\"token_c0unt\",\"info\"", "\"token_count\",\"info\"");
    EXPECT_EQ(source.loadSnapshot(), std::nullopt);
    const QByteArray bytes = testing::readFile(newest);
    ASSERT_TRUE(QFile::remove(newest));
    EXPECT_EQ(source.loadSnapshot(), std::nullopt);
    ASSERT_TRUE(testing::writeFile(newest, bytes) &&
                testing::setModificationTime(newest, day + 2000, 2));
    EXPECT_EQ(fiveHour(source.loadSnapshot()), 33);
}

} // namespace
} // namespace tallyglass
