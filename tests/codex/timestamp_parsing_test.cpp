#include "sources/codex/timestamp_parsing.h"

#include <gtest/gtest.h>

namespace tallyglass {
namespace {

constexpr double newYear2025 = 1735689600.0;

TEST(TimestampParsing, AcceptsOnlyInternetDateTimesWithAndWithoutFraction) {
    // ICU alone, even strict, would take several of the rejected ones (a zone name, an offset
    // without colon, a leading blank, a two-digit year).
    const std::pair<std::string, std::optional<double>> cases[] = {
        {"2025-01-01T00:00:00Z", newYear2025},
        {"2025-01-01T00:00:00.250Z", newYear2025 + 0.25},
        {"2025-01-01T00:00:00.5Z", newYear2025 + 0.5},
        {"2025-01-01T01:00:00+01:00", newYear2025},
        {"2024-12-31T21:30:00.125-02:30", newYear2025 + 0.125},
        {"2025-12-08T16:20:44.907Z", 1765210844.907},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parseTimestamp(text), expected) << text;
    for (const std::string text :
         {"2025-01-01 00:00:00", "2025-01-01 00:00:00Z", "2025-01-01T00:00:00", "2025-01-01", "",
          "2025-02-30T00:00:00Z", "2025-01-01T24:00:00Z", "2025-01-01T00:00:00+0100",
          "2025-01-01T00:00:00+01", "2025-01-01T00:00:00GMT", " 2025-01-01T00:00:00Z",
          "25-01-01T00:00:00Z", "2025-01-01T00:00:00.Z", "2025-01-01T00:00:00z",
          "2025-01-01T00:00:00Zjunk", "1735689600"})
        EXPECT_FALSE(parseTimestamp(text)) << text;
    EXPECT_FALSE(parseTimestamp("2025-01-01T00:00:00." + std::string(1'000'000, '1') + "Z"));
    // Codex's own form, which sorts as its instants do, and nothing else.
    EXPECT_TRUE(hasUsualStampShape("2025-12-08T16:20:44.907Z"));
    for (const char* text : {"2025-12-08T16:20:44Z", "2025-12-08T16:20:44.9070Z",
                             "2025-12-08T16:20:44.907+00:00", "2025-12-08T16:20:44.9O7Z"})
        EXPECT_FALSE(hasUsualStampShape(text)) << text;
}

} // namespace
} // namespace tallyglass
