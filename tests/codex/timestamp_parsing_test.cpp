#include "sources/codex/timestamp_parsing.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace tallyglass {
namespace {

constexpr double newYear2025 = 1735689600.0;

TEST(TimestampParsing, AcceptsInternetDateTimesWithAndWithoutFraction) {
    const std::pair<const char*, double> cases[] = {
        {"2025-01-01T00:00:00Z", newYear2025},
        {"2025-01-01T00:00:00.250Z", newYear2025 + 0.25},
        {"2025-01-01T00:00:00.5Z", newYear2025 + 0.5},
        {"2025-01-01T01:00:00+01:00", newYear2025},
        {"2024-12-31T21:30:00.125-02:30", newYear2025 + 0.125},
        {"2025-12-08T16:20:44.907Z", 1765210844.907},
    };
    for (const auto& [text, expected] : cases) {
        const auto parsed = parseTimestamp(text);
        ASSERT_TRUE(parsed) << text;
        EXPECT_DOUBLE_EQ(*parsed, expected) << text;
    }
}

TEST(TimestampParsing, RejectsEverythingElse) {
    const std::string huge = "2025-01-01T00:00:00." + std::string(1'000'000, '1') + "Z";
    const std::string rejected[] = {
        "2025-01-01 00:00:00",
        "2025-01-01 00:00:00Z",
        "2025-01-01T00:00:00",
        "2025-01-01",
        "",
        "2025-02-30T00:00:00Z",
        "2025-01-01T24:00:00Z",
        "2025-01-01T00:00:00+0100",
        "2025-01-01T00:00:00+01",
        "2025-01-01T00:00:00GMT",
        " 2025-01-01T00:00:00Z",
        "25-01-01T00:00:00Z",
        "2025-01-01T00:00:00.Z",
        "2025-01-01T00:00:00z",
        "2025-01-01T00:00:00Zjunk",
        "1735689600",
        huge,
    };
    for (const std::string& text : rejected)
        EXPECT_FALSE(parseTimestamp(text)) << text.substr(0, 40);
}

TEST(TimestampParsing, ParsersAreSafeToShareBetweenThreads) {
    std::vector<std::thread> threads;
    std::atomic<int> wrong = 0;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&wrong, t] {
            const std::string text = "2025-01-01T00:00:0" + std::to_string(t) + ".500Z";
            for (int i = 0; i < 2000; ++i)
                if (parseTimestamp(text) != newYear2025 + t + 0.5)
                    ++wrong;
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, 0);
}

} // namespace
} // namespace tallyglass
