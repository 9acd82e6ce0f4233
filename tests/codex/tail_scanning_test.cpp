#include "sources/codex/tail_reader.h"
#include "sources/codex/tail_scanning.h"
#include "support/codex_home_builder.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace tallyglass {
namespace {

using testing::RolloutWriter;

std::vector<std::string> tailLines(const QString& path, std::uint64_t maxBytes) {
    const TailLines tail = readTailLines(QFile::encodeName(path).toStdString(), maxBytes);
    return {tail.lines().begin(), tail.lines().end()};
}

std::optional<UsageSnapshot> scan(const QString& path) {
    return snapshotFromFile(Candidate{CacheKey{QFile::encodeName(path).toStdString(), {}, 0}});
}

// A log with no event at all, only the rest of Codex's traffic.
std::string trafficWithoutEvents(std::size_t bytes, std::uint32_t seed = 7) {
    return RolloutWriter(1765209600.0, seed).turnsUntil(bytes, 4'096, false).text();
}

TEST(TailReading, SplitsAtLineFeedsAndDropsTheFirstLineOfATailInsideTheFile) {
    testing::TempHome home;
    const QString path = home.filePath("t.jsonl");
    struct Case {
        const char* content;
        std::uint64_t maxBytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"aaa\nbbb\nccc\n", 100, {"aaa", "bbb", "ccc"}},
        {"aaa\nbbb\nccc\n", 12, {"aaa", "bbb", "ccc"}},
        {"aaa\nbbb\nccc\n", 8, {"ccc"}}, // starts exactly on "bbb": dropped all the same
        {"aaa\nbbb\nccc", 6, {"ccc"}},
        {"aaa\n\n\nbbb\nccc\n", 10, {"ccc"}},
        {"\n\nx\r\n\n\n\ny", 100, {"x\r", "y"}},
        {"aaaaaa", 3, {}},
        {"", 100, {}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(testing::writeFile(path, c.content));
        EXPECT_EQ(tailLines(path, c.maxBytes), c.lines) << c.content << " / " << c.maxBytes;
    }
}

TEST(TailReading, ReplacesInvalidUtf8) {
    testing::TempHome home;
    const QString path = home.filePath("t.jsonl");
    // The tail starts inside the "é" of the first line, which is dropped with its half.
    static const char content[] = "x\xC3\xA9\na\xFF"
                                  "b\xE2\x82\n\0ok\n";
    ASSERT_TRUE(testing::writeFile(path, QByteArray(content, sizeof content - 1)));
    const std::vector<std::string> expected = {"a\xEF\xBF\xBD"
                                               "b\xEF\xBF\xBD",
                                               std::string("\0ok", 3)};
    EXPECT_EQ(tailLines(path, 12), expected);
    EXPECT_EQ(tailLines(path, 100).front(), "x\xC3\xA9");
}

TEST(TailScanning, ReadsRecordedLogsOfOlderAndNewerCodexVersions) {
    const auto data = [](const char* name) {
        return QStringLiteral(TALLYGLASS_TEST_DATA "/codex/") + name;
    };
    const auto older = scan(data("rollout-older.jsonl"));
    ASSERT_TRUE(older);
    EXPECT_EQ(*older, (UsageSnapshot{1757836982.118,
                                     "gpt-5",
                                     std::nullopt,
                                     {{"five_hour", {6.0, 1757836982.118 + 13511, 299.0}},
                                      {"seven_day", {41.5, 1757836982.118 + 302211, 10079.0}}}}));
    const auto newest = scan(data("rollout-newest.jsonl"));
    ASSERT_TRUE(newest);
    EXPECT_EQ(*newest, (UsageSnapshot{1768904109.907,
                                      "gpt-5.2-codex",
                                      "pro",
                                      {{"five_hour", {2.0, 1768922109.0, 300.0}},
                                       {"seven_day", {11.0, 1769418000.0, 10080.0}}}}));
    const auto current = scan(data("rollout-current.jsonl"));
    ASSERT_TRUE(current);
    EXPECT_EQ(current->model, "gpt-5.1-codex");
    EXPECT_EQ(current->planType, "plus");
    EXPECT_EQ(current->windows.size(), 2u);
}

TEST(TailScanning, ReadsASmallFileWholeAndGrowsTheTailForAnOldEvent) {
    testing::TempHome home;
    RolloutWriter small;
    small.tokenCount().turnContext();
    ASSERT_TRUE(
        testing::writeFile(home.filePath("small.jsonl"), QByteArray::fromStdString(small.text())));
    EXPECT_TRUE(scan(home.filePath("small.jsonl")));

    // 300,000 bytes whose only event lies in the first 30,000: found by the second pass.
    RolloutWriter older;
    older.sessionMeta().turnContext().tokenCount();
    ASSERT_LT(older.size(), 30'000u);
    const std::string text = older.text() + trafficWithoutEvents(300'000 - older.size());
    ASSERT_TRUE(testing::writeFile(home.filePath("older.jsonl"), QByteArray::fromStdString(text)));
    const auto snapshot = scan(home.filePath("older.jsonl"));
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->model, "gpt-5.1-codex");
}

TEST(TailScanning, LooksNoFurtherThanTheLast4MiB) {
    testing::TempHome home;
    const std::string filler = trafficWithoutEvents(5'000'000);
    RolloutWriter event;
    event.tokenCount();
    // 10 MB whose only event lies in the first 5 MB: nothing after three passes.
    ASSERT_TRUE(testing::writeFile(home.filePath("early.jsonl"),
                                   QByteArray::fromStdString(event.text() + filler + filler)));
    EXPECT_FALSE(scan(home.filePath("early.jsonl")));
    // The same event 3 MB before the end is found by the third pass.
    ASSERT_TRUE(testing::writeFile(
        home.filePath("late.jsonl"),
        QByteArray::fromStdString(filler + event.text() +
                                  filler.substr(0, filler.find('\n', 3'000'000) + 1))));
    EXPECT_TRUE(scan(home.filePath("late.jsonl")));
}

TEST(TailScanning, NeverBlocksOrFailsOnHostileFiles) {
    testing::TempHome home;
    const auto path = [&home](const char* name) { return home.filePath(name); };
    const auto native = [&path](const char* name) { return QFile::encodeName(path(name)); };

    ASSERT_EQ(::mkfifo(native("fifo.jsonl"), 0600), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, native("socket.jsonl").constData(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    QFile sparse(path("sparse.jsonl"));
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(qint64(1) << 30));
    sparse.close();
    RolloutWriter event;
    event.tokenCount();
    const std::string longLine =
        std::string(8 << 20, 'x') + event.text().substr(0, event.size() - 1);
    ASSERT_TRUE(testing::writeFile(path("long.jsonl"), QByteArray::fromStdString(longLine)));
    ASSERT_TRUE(QDir().mkdir(path("folder.jsonl")));

    for (const char* name :
         {"fifo.jsonl", "socket.jsonl", "sparse.jsonl", "long.jsonl", "folder.jsonl", "gone.jsonl"})
        EXPECT_FALSE(scan(path(name))) << name;
    ::close(sock);

    // NUL bytes and broken text around a good event do not hide it.
    const std::string noisy = std::string(5000, '\0') + "\n\xFF\xFE\n" + event.text() + "\0\0";
    ASSERT_TRUE(
        testing::writeFile(path("noisy.jsonl"), QByteArray(noisy.data(), qsizetype(noisy.size()))));
    EXPECT_TRUE(scan(path("noisy.jsonl")));
}

} // namespace
} // namespace tallyglass
