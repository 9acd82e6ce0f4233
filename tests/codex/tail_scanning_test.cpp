#include "sources/codex/limit_families.h"
#include "sources/codex/tail_reader.h"
#include "sources/codex/tail_scanning.h"
#include "support/codex_home_builder.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace tallyglass {
namespace {

std::string native(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

std::vector<std::string> tailLines(const QString& path, std::uint64_t maxBytes) {
    const TailLines tail = readTailLines(native(path), maxBytes);
    return {tail.lines().begin(), tail.lines().end()};
}

// The size discovery saw is passed on, and must not be what decides how far to read.
std::optional<UsageSnapshot> scan(const QString& path, std::uint64_t sizeAtDiscovery = 0) {
    LimitFamilies families;
    families.add(eventsFromFile(Candidate{CacheKey{native(path), {}, sizeAtDiscovery}}));
    return families.snapshot();
}

std::string event() {
    return testing::tokenCountLine(1765209600.0, 3.25, 21.05) + '\n';
}

// Codex's traffic without a single event: long tool outputs.
std::string quietTraffic(std::size_t bytes) {
    std::string text;
    while (text.size() < bytes)
        text +=
            R"({"type":"response_item","payload":{"output":")" + std::string(4'000, 'x') + "\"}}\n";
    return text;
}

TEST(TailReading, SplitsAtLineFeedsAndDropsTheFirstLineOfATailInsideTheFile) {
    testing::TempHome home;
    const QString path = home.filePath("t.jsonl");
    const std::tuple<const char*, std::uint64_t, std::vector<std::string>> cases[] = {
        {"aaa\nbbb\nccc\n", 100, {"aaa", "bbb", "ccc"}},
        {"aaa\nbbb\nccc\n", 12, {"aaa", "bbb", "ccc"}},
        {"aaa\nbbb\nccc\n", 8, {"ccc"}}, // starts right on "bbb", which is dropped all the same
        {"aaa\n\n\nbbb\nccc\n", 10, {"ccc"}},
        {"\n\nx\r\n\n\n\ny", 100, {"x\r", "y"}},
        {"aaaaaa", 3, {}},
        {"", 100, {}},
    };
    for (const auto& [content, maxBytes, lines] : cases) {
        ASSERT_TRUE(testing::writeFile(path, content));
        EXPECT_EQ(tailLines(path, maxBytes), lines) << content << " / " << maxBytes;
    }
    // Invalid UTF-8 is replaced; here the tail also starts inside the "é", in the dropped line.
    static const char content[] = "x\xC3\xA9\na\xFF"
                                  "b\xE2\x82\n\0ok\n";
    ASSERT_TRUE(testing::writeFile(path, QByteArray(content, sizeof content - 1)));
    EXPECT_EQ(tailLines(path, 12), (std::vector<std::string>{"a\uFFFD"
                                                             "b\uFFFD",
                                                             std::string("\0ok", 3)}));
}

TEST(TailScanning, ReadsRecordedLogsOfOlderAndNewerCodexVersions) {
    const auto data = [](const char* name) {
        return QStringLiteral(TALLYGLASS_TEST_DATA "/codex/") + name;
    };
    EXPECT_EQ(scan(data("rollout-older.jsonl")),
              (UsageSnapshot{1757836982.118,
                             "gpt-5",
                             std::nullopt,
                             {{"five_hour", {6.0, 1757836982.118 + 13511, 299.0}},
                              {"seven_day", {41.5, 1757836982.118 + 302211, 10079.0}}}}));
    EXPECT_EQ(scan(data("rollout-newest.jsonl")),
              (UsageSnapshot{1768904109.907,
                             "gpt-5.2-codex",
                             "pro",
                             {{"five_hour", {2.0, 1768922109.0, 300.0}},
                              {"seven_day", {11.0, 1769418000.0, 10080.0}}}}));
    const UsageWindow spark5h{0.0, 1772460133.0, 300.0, "GPT-5.3-Codex-Spark"};
    const UsageWindow spark7d{3.0, 1773047333.0, 10080.0, "GPT-5.3-Codex-Spark"};
    EXPECT_EQ(scan(data("rollout-families.jsonl")),
              (UsageSnapshot{1772442133.877,
                             "gpt-5.3-codex",
                             "plus",
                             {{"five_hour", {42.0, 1772445600.0, 300.0}},
                              {"seven_day", {17.0, 1772870400.0, 10080.0}},
                              {"codex_bengalfox.five_hour", spark5h},
                              {"codex_bengalfox.seven_day", spark7d}}}));
    EXPECT_EQ(scan(data("rollout-current.jsonl")).value_or(UsageSnapshot{}).model, "gpt-5.1-codex");
}

TEST(TailScanning, GrowsTheTailUpTo4MiBAndNoFurther) {
    testing::TempHome home;
    const auto write = [&home](const char* name, const std::string& text) {
        EXPECT_TRUE(testing::writeFile(home.filePath(name), QByteArray::fromStdString(text)));
        return home.filePath(name);
    };
    // A small file is read whole, its first line included.
    EXPECT_TRUE(scan(write("small.jsonl", event() + "{}\n")));
    // 300,000 bytes whose only event is the first line: found by the second pass, also
    // when the file has grown since discovery saw it.
    const QString grown = write("grown.jsonl", event() + quietTraffic(300'000));
    EXPECT_TRUE(scan(grown, 100));
    // 10 MB whose only event lies in the first 5 MB: nothing; 3 MB before the end: found.
    const std::string filler = quietTraffic(5'000'000);
    EXPECT_FALSE(scan(write("early.jsonl", event() + filler + filler)));
    EXPECT_TRUE(scan(write("late.jsonl",
                           filler + event() + filler.substr(0, filler.find('\n', 3'000'000) + 1))));
}

TEST(TailScanning, NeverBlocksOrFailsOnHostileFiles) {
    testing::TempHome home;
    const auto path = [&home](const char* name) { return home.filePath(name); };
    ASSERT_EQ(::mkfifo(native(path("fifo.jsonl")).c_str(), 0600), 0);
    QFile sparse(path("sparse.jsonl"));
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(qint64(1) << 30));
    sparse.close();
    const std::string longLine = std::string(8 << 20, 'x') + event();
    ASSERT_TRUE(testing::writeFile(path("long.jsonl"), QByteArray::fromStdString(longLine)));
    ASSERT_TRUE(QDir().mkdir(path("folder.jsonl")));
    for (const char* name : {"fifo.jsonl", "sparse.jsonl", "long.jsonl", "folder.jsonl", "gone"})
        EXPECT_FALSE(scan(path(name))) << name;
}

} // namespace
} // namespace tallyglass
