#include "core/window_labels.h"

#include <gtest/gtest.h>

using namespace tallyglass;

namespace {

UsageSnapshot snapshotWith(std::map<std::string, UsageWindow> windows) {
    return UsageSnapshot{1'800'000'000.0, std::nullopt, std::nullopt, std::move(windows)};
}

TEST(DurationText, RoundsThenPicksTheLargestWholeUnit) {
    const std::pair<double, std::optional<std::string>> cases[] = {
        {7 * 1440, "7d"}, {1500, "25h"},       {90, "90m"},    {0.4, std::nullopt},
        {0.5, "1m"},      {-30, std::nullopt}, {2880.4, "2d"}, {1e300, std::nullopt}};
    for (const auto& [minutes, expected] : cases)
        EXPECT_EQ(durationText(minutes), expected) << minutes;
}

TEST(WindowLabel, KnownKeysLengthsAndGenericKeys) {
    const std::tuple<const char*, std::optional<double>, const char*> cases[] = {
        {"five_hour", 240, "Current session (4h)"},
        {"five_hour", std::nullopt, "Current session (5h)"},
        {"seven_day", 90, "Weekly limit (90m)"},
        {"seven_day_opus", 10080, "Weekly Opus limit"},
        {"SEVEN_DAY_EXTRA", 60, "Seven Day Extra"},
        {"five_hour", 1e300, "Current session (5h)"}};
    for (const auto& [key, minutes, label] : cases)
        EXPECT_EQ(windowLabel(key, minutes), label) << key;
}

TEST(LabeledWindows, FixedOrderThenCanonicalTextOrderThenOtherFamilies) {
    const UsageWindow w, spark{1, {}, 10080, "GPT-5.3-Codex-Spark"}, bare{2, {}, {}, "b"};
    // "é" precomposed and decomposed are the same text once normalised, so both sort before
    // "f" and the precomposed byte order (0xC3 > 'f') does not decide.
    const std::string decomposed = "e\xCC\x81"
                                   "a";
    const auto snapshot = snapshotWith({{"seven_day", w},
                                        {"a.secondary", spark},
                                        {"a.primary", bare},
                                        {"a.daily", bare},
                                        {"a.seven_day", bare},
                                        {"five_hour", w},
                                        {"seven_day_opus", w},
                                        {"Zeta", w},
                                        {"\xC3\xA9z", w},
                                        {"f", w},
                                        {decomposed, w}});
    std::vector<std::string> keys, labels;
    for (const LabeledWindow& row : labeledWindows(snapshot)) {
        keys.push_back(row.key);
        labels.push_back(row.label);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"five_hour", "seven_day", "Zeta", decomposed,
                                              "\xC3\xA9z", "f", "seven_day_opus", "a.seven_day",
                                              "a.daily", "a.primary", "a.secondary"}));
    EXPECT_EQ(labels.back(), "GPT-5.3-Codex-Spark (7d)");
    EXPECT_EQ(labels[labels.size() - 2], "b");
}

TEST(MenuBarSummary, FirstTwoWindowsInDisplayOrder) {
    auto pct = [](std::optional<double> p) { return UsageWindow{p, std::nullopt, std::nullopt}; };
    using Windows = std::map<std::string, UsageWindow>;
    const std::tuple<const char*, Windows, std::optional<std::string>> cases[] = {
        {"both main windows", {{"seven_day", pct(17.4)}, {"five_hour", pct(42)}}, "42% \u00B7 17%"},
        {"weekly then opus", {{"seven_day_opus", pct(3)}, {"seven_day", pct(17)}}, "17% \u00B7 3%"},
        {"first without figure",
         {{"five_hour", pct({})}, {"seven_day", pct(17)}, {"x", pct(5)}},
         "17%"},
        {"halves away from zero",
         {{"five_hour", pct(99.5)}, {"seven_day", pct(-2.5)}},
         "100% \u00B7 -3%"},
        // What does not fit 64 bits stays defined: the nearest figure that does.
        {"beyond 64 bits",
         {{"five_hour", pct(9223372036854775808.0)}, {"seven_day", pct(-1e19)}},
         "9223372036854775807% \u00B7 -9223372036854775808%"},
        {"no figures", {{"five_hour", pct({})}, {"seven_day", pct({})}}, std::nullopt},
        {"other families never",
         {{"five_hour", pct(42)},
          {"a.primary", {1, {}, {}, "Spark"}},
          {"a.secondary", {2, {}, {}, "Spark"}}},
         "42%"},
    };
    for (const auto& [why, windows, summary] : cases)
        EXPECT_EQ(menuBarSummary(snapshotWith(windows)), summary) << why;
    EXPECT_EQ(menuBarSummary(std::nullopt), std::nullopt);
}

TEST(MenuBarSummary, BothAssistantsByTheirMarks) {
    auto pct = [](std::optional<double> p) { return UsageWindow{p, std::nullopt, std::nullopt}; };
    const auto claude = snapshotWith({{"seven_day", pct(17)}, {"five_hour", pct(42.4)}});
    const auto codex = snapshotWith({{"five_hour", pct({})}, {"seven_day", pct(12)}});
    const auto none = snapshotWith({{"five_hour", pct({})}});
    const std::tuple<std::optional<UsageSnapshot>, std::optional<UsageSnapshot>,
                     std::optional<std::string>>
        cases[] = {
            {claude, codex, "C 42% \u00B7 X 12%"},
            {std::nullopt, codex, "X 12%"},
            {claude, none, "C 42%"},
            {none, std::nullopt, std::nullopt},
        };
    for (const auto& [claudeReading, codexReading, summary] : cases)
        EXPECT_EQ(bothAssistantsSummary(claudeReading, codexReading), summary);
}

} // namespace
