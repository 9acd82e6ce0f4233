#include "sources/codex/rollout_parsing.h"
#include "support/codex_home_builder.h"

#include <gtest/gtest.h>

namespace tallyglass {
namespace {

using testing::OrderedJson;
using testing::tokenCountLine;

constexpr double newYear2025 = 1735689600.0;
using Windows = std::map<std::string, UsageWindow>;

std::optional<UsageSnapshot> parse(const std::vector<std::string>& lines) {
    const std::vector<std::string_view> views(lines.begin(), lines.end());
    return parseRolloutLines(views);
}

std::string event(const std::string& timestamp, const char* limits) {
    return tokenCountLine(timestamp, OrderedJson::parse(limits));
}

std::string context(const char* model) {
    return std::string(
               R"({"timestamp":"2025-01-01T00:00:00.000Z","type":"turn_context","payload":{"cwd":"/w","model":)") +
           model + "}}";
}

TEST(RolloutParsing, MapsPrimaryAndSecondaryOntoTheTwoWindowKeys) {
    const auto snapshot = parse(
        {context(R"("gpt-5.1-codex")"),
         tokenCountLine("2025-12-08T16:20:44.907Z", testing::rateLimits(14, 37, 1765210844.907))});
    ASSERT_TRUE(snapshot);
    EXPECT_DOUBLE_EQ(snapshot->updatedAt, 1765210844.907);
    EXPECT_EQ(snapshot->model, "gpt-5.1-codex");
    EXPECT_EQ(snapshot->planType, "plus");
    EXPECT_EQ(snapshot->windows.at("five_hour"), (UsageWindow{14.0, 1765214445.0, 300.0}));
    EXPECT_EQ(snapshot->windows.at("seven_day"), (UsageWindow{37.0, 1765470045.0, 10080.0}));
}

TEST(RolloutParsing, ReadsEachWindowByItsRules) {
    struct Case {
        const char* limits;
        Windows windows;
    };
    const Case cases[] = {
        {R"({"secondary":{"used_percent":37,"window_minutes":10080,"resets_at":1.5e9}})",
         {{"seven_day", {37.0, 1.5e9, 10080.0}}}},
        // Older Codex: a delay from the event's own time instead of an instant.
        {R"({"primary":{"used_percent":5,"resets_in_seconds":3600}})",
         {{"five_hour", {5.0, newYear2025 + 3600, {}}}}},
        {R"({"primary":{"used_percent":5,"resets_at":1700000000,"resets_in_seconds":3600}})",
         {{"five_hour", {5.0, 1700000000.0, {}}}}},
        {R"({"primary":{"resets_at":"soon","resets_in_seconds":60}})",
         {{"five_hour", {{}, newYear2025 + 60, {}}}}},
        {R"({"primary":{"window_minutes":300},"secondary":{"used_percent":1}})",
         {{"seven_day", {1.0, {}, {}}}}},
        {R"({"primary":{"used_percent":"12","resets_at":null},"secondary":{"used_percent":2.5e1}})",
         {{"seven_day", {25.0, {}, {}}}}},
        {R"({"primary":{},"secondary":{"window_minutes":10080}})", {}},
        {R"({"primary":[1],"secondary":{"used_percent":null}})", {}},
    };
    for (const Case& c : cases) {
        const auto snapshot = parse({event("2025-01-01T00:00:00Z", c.limits)});
        EXPECT_EQ(snapshot ? snapshot->windows : Windows{}, c.windows) << c.limits;
        if (snapshot) {
            EXPECT_FALSE(snapshot->planType) << c.limits;
        }
    }
}

TEST(RolloutParsing, TakesTheLatestTimestampAndTheFirstOfEqualOnes) {
    const auto percent = [](const std::optional<UsageSnapshot>& s) {
        return s ? s->windows.at("five_hour").usedPercentage.value_or(-1) : -1;
    };
    const auto at = [](const char* time, int used) {
        return event(time,
                     ("{\"primary\":{\"used_percent\":" + std::to_string(used) + "}}").c_str());
    };
    EXPECT_EQ(percent(parse({at("2025-01-01T00:00:01Z", 1), at("2025-01-01T00:00:01.000Z", 2)})),
              1);
    EXPECT_EQ(percent(parse({at("2025-01-01T00:00:03Z", 3), at("2025-01-01T00:00:02Z", 2)})), 3);
    EXPECT_EQ(percent(parse({at("2025-01-01T00:00:02Z", 2), at("2025-01-01T02:00:01+02:00", 9)})),
              2);
    // Codex's own stamps, which are compared as text where that is sound.
    EXPECT_EQ(
        percent(parse({at("2025-01-01T00:00:01.000Z", 1), at("2025-01-01T00:00:01.000Z", 2)})), 1);
    EXPECT_EQ(
        percent(parse({at("2025-01-01T00:00:03.000Z", 3), at("2025-01-01T00:00:02.000Z", 2)})), 3);
    EXPECT_EQ(
        percent(parse({at("2025-01-01T00:00:02.000Z", 2), at("2025-01-01T00:00:03.000Z", 3)})), 3);
    // A later duplicate member, plain or escaped, is the one that counts.
    for (const char* key : {"timestamp", "\\u0074imestamp"}) {
        std::string doubled = at("2025-01-01T00:00:01.000Z", 7);
        doubled.insert(doubled.size() - 1,
                       std::string(",\"") + key + "\":\"2025-01-01T00:00:09.000Z\"");
        EXPECT_EQ(percent(parse({doubled, at("2025-01-01T00:00:05.000Z", 5)})), 7) << key;
    }
    // A latest event whose windows are unusable spoils the file; the earlier one is not used.
    EXPECT_FALSE(parse({at("2025-01-01T00:00:01Z", 1),
                        event("2025-01-01T00:00:02Z", R"({"primary":{"window_minutes":300}})")}));
}

TEST(RolloutParsing, SkipsLinesThatAreNotUsableEvents) {
    const std::string valid = event("2025-01-01T00:00:00Z", R"({"primary":{"used_percent":1}})");
    const std::string skipped[] = {
        R"({"timestamp":"2025-01-01T00:00:05Z","type":"event_msg","payload":{"type":"agent_message","message":"\"token_count\"","rate_limits":{"primary":{"used_percent":9}}}})",
        R"({"timestamp":"2025-01-01T00:00:05Z","payload":{"type":"token_count","info":null,"rate_limits":null}})",
        R"({"timestamp":"2025-01-01T00:00:05Z","payload":{"type":"token_count","rate_limits":{"primary":5,"secondary":"x"}}})",
        R"({"timestamp":1735689605,"payload":{"type":"token_count","rate_limits":{"primary":{"used_percent":9}}}})",
        R"({"timestamp":"2025-01-01 00:00:05","payload":{"type":"token_count","rate_limits":{"primary":{"used_percent":9}}}})",
        R"({"timestamp":"2025-01-01T00:00:05","payload":{"type":"token_count","rate_limits":{"primary":{"used_percent":9}}}})",
        R"({"timestamp":"2025-01-01T00:00:05Z","payload":"{\"type\":\"token_count\"}"})",
        R"([{"timestamp":"2025-01-01T00:00:05Z","payload":{"type":"token_count","rate_limits":{"primary":{"used_percent":9}}}}])",
        R"({"timestamp":"2025-01-01T00:00:05Z","payload":{"type":"token_count","rate_limits":{"primary":{"used_percent":9}}})",
        "{\"timestamp\":\"" + std::string(1'000'000, '2') +
            "\",\"payload\":{\"type\":\"token_count\",\"rate_limits\":{\"primary\":{\"used_"
            "percent\":9}}}}",
        std::string(R"({"timestamp":"2025-01-01T00:00:05Z","payload":{"type":"token_count")") +
            '\0' + R"(,"rate_limits":{"primary":{"used_percent":9}}}})",
    };
    for (const std::string& line : skipped) {
        const auto snapshot = parse({valid, line});
        ASSERT_TRUE(snapshot) << line.substr(0, 80);
        EXPECT_EQ(snapshot->windows.at("five_hour").usedPercentage, 1.0) << line.substr(0, 80);
    }
}

TEST(RolloutParsing, TakesTheLastNonEmptyModelAndKeepsAnEmptyPlan) {
    const std::string limits = R"({"primary":{"used_percent":1},"plan_type":""})";
    const auto snapshot =
        parse({context(R"("first")"), event("2025-01-01T00:00:00Z", limits.c_str()),
               context(R"("second")"), context(R"("")"), context("7")});
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->model, "second");
    EXPECT_EQ(snapshot->planType, "");
    EXPECT_FALSE(parse({event("2025-01-01T00:00:00Z", limits.c_str())})->model);
    EXPECT_FALSE(parse({context(R"("only a model")")}));
}

} // namespace
} // namespace tallyglass
