#include "core/rounding.h"
#include "core/window_labels.h"
#include "sources/codex/limit_families.h"
#include "sources/codex/rollout_diagnosis.h"
#include "sources/codex/rollout_parsing.h"
#include "sources/codex/timestamp_parsing.h"
#include "support/codex_home_builder.h"

#include <gtest/gtest.h>

namespace tallyglass {
namespace {

using testing::OrderedJson;
using Windows = std::map<std::string, UsageWindow>;

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

// An empty line, which a tail never holds, starts the next (older) file.
std::optional<UsageSnapshot> parse(const std::vector<std::string>& lines) {
    LimitFamilies families;
    for (auto begin = lines.begin();; ++begin) {
        const auto end = std::find(begin, lines.end(), "");
        families.add(parseRolloutLines(std::vector<std::string_view>(begin, end)));
        if ((begin = end) == lines.end())
            break;
    }
    return families.snapshot();
}

std::string event(const std::string& timestamp, const std::string& limits) {
    return testing::tokenCountLine(timestamp, OrderedJson::parse(limits));
}

std::string withPercent(const std::string& timestamp, int used) {
    return event(timestamp, R"({"primary":{"used_percent":)" + std::to_string(used) + "}}");
}

double percent(const std::optional<UsageSnapshot>& snapshot) {
    return snapshot ? snapshot->windows.at("five_hour").usedPercentage.value_or(-1) : -1;
}

std::string context(const std::string& model) {
    return R"({"timestamp":"2025-01-01T00:00:00.000Z","type":"turn_context","payload":{"model":)" +
           model + "}}";
}

TEST(RolloutParsing, ReadsEachWindowByItsRules) {
    const std::pair<const char*, Windows> cases[] = {
        {R"({"secondary":{"used_percent":37,"window_minutes":10080,"resets_at":1.5e9}})",
         {{"seven_day", {37.0, 1.5e9, 10080.0}}}},
        // Older Codex: a delay from the event's own time instead of an instant.
        {R"({"primary":{"used_percent":5,"resets_in_seconds":3600}})",
         {{"five_hour", {5.0, newYear2025 + 3600, {}}}}},
        {R"({"primary":{"used_percent":5,"resets_at":17e8,"resets_in_seconds":3600}})",
         {{"five_hour", {5.0, 17e8, {}}}}},
        {R"({"primary":{"resets_at":"soon","resets_in_seconds":60}})",
         {{"five_hour", {{}, newYear2025 + 60, {}}}}},
        {R"({"primary":{"window_minutes":300},"secondary":{"used_percent":1}})",
         {{"seven_day", {1.0, {}, {}}}}},
        {R"({"primary":{"used_percent":"12","resets_at":null},"secondary":{"used_percent":2.5e1}})",
         {{"seven_day", {25.0, {}, {}}}}},
        // A figure further than 1,000 from zero is no percentage; the window stays.
        {R"({"primary":{"used_percent":1776950400,"resets_at":9},"secondary":{"used_percent":-1e3}})",
         {{"five_hour", {{}, 9.0, {}}}, {"seven_day", {-1000.0, {}, {}}}}},
        {R"({"primary":{"used_percent":-1000.5,"window_minutes":5},"secondary":{"used_percent":105}})",
         {{"five_hour", {{}, {}, 5.0}}, {"seven_day", {105.0, {}, {}}}}},
    };
    for (const auto& [limits, windows] : cases) {
        const auto snapshot = parse({event("2025-01-01T00:00:00Z", limits)});
        EXPECT_EQ(snapshot ? snapshot->windows : Windows{}, windows) << limits;
    }
}

TEST(RolloutParsing, TakesTheLatestTimestampAndTheFirstOfEqualOnes) {
    // Stamps of Codex's own form are compared as text, others by instant.
    for (const char* fraction : {"", ".000"}) {
        const auto at = [fraction](int second, int used) {
            return withPercent("2025-01-01T00:00:0" + std::to_string(second) + fraction + "Z",
                               used);
        };
        EXPECT_EQ(percent(parse({at(1, 1), at(1, 2)})), 1) << fraction;
        EXPECT_EQ(percent(parse({at(3, 3), at(2, 2)})), 3) << fraction;
        EXPECT_EQ(percent(parse({at(2, 2), at(3, 3)})), 3) << fraction;
    }
    EXPECT_EQ(percent(parse({withPercent("2025-01-01T00:00:02Z", 2),
                             withPercent("2025-01-01T02:00:01+02:00", 9)})),
              2);
    // A later duplicate member, plain or escaped, is the one that counts.
    for (const std::string key : {"timestamp", "\\u0074imestamp"}) {
        std::string doubled = withPercent("2025-01-01T00:00:01.000Z", 7);
        doubled.insert(doubled.size() - 1, ",\"" + key + "\":\"2025-01-01T00:00:09.000Z\"");
        EXPECT_EQ(percent(parse({doubled, withPercent("2025-01-01T00:00:05.000Z", 5)})), 7) << key;
    }
    // A latest event whose windows are unusable spoils the file; the earlier one is not used.
    // Why, by the member at fault; a later record without limits does not hide it.
    const std::pair<std::string, std::optional<std::string>> spoiled[] = {
        {R"({"primary":{"window_minutes":300},"secondary":[]})",
         "\"payload.rate_limits.primary\" has neither \"used_percent\" nor \"resets_at\""},
        {R"({"primary":{"used_percent":"5","window_minutes":300}})",
         "\"payload.rate_limits.primary.used_percent\" is a string, expected a number"},
        {R"({"primary":null,"secondary":{"resets_at":"soon"}})",
         "\"payload.rate_limits.secondary.resets_at\" is a string, expected a number"},
        {R"({"primary":{"used_percent":5}})", {}},
    };
    for (const auto& [limits, reason] : spoiled) {
        const std::vector<std::string> lines{withPercent("2025-01-01T00:00:01Z", 1),
                                             event("2025-01-01T00:00:02Z", limits),
                                             event("2025-01-01T00:00:03Z", "null")};
        EXPECT_EQ(parse(lines).has_value(), !reason) << limits;
        EXPECT_EQ(unusableEventReason(std::vector<std::string_view>(lines.begin(), lines.end())),
                  reason);
    }
}

TEST(RolloutParsing, SkipsLinesThatAreNotUsableEvents) {
    const std::string usable =
        R"({"timestamp":"2025-01-01T00:00:05Z","payload":)"
        R"({"type":"token_count","rate_limits":{"primary":{"used_percent":9}}}})";
    // With why the line alone gives no reading, when it is a rate-limit record.
    const std::tuple<std::string, std::string, std::optional<std::string>> spoilers[] = {
        {R"("type":"token_count")", R"("type":"agent_message","text":"\"token_count\"")", {}},
        {R"({"primary":{"used_percent":9}})", "null",
         "\"payload.rate_limits\" is null, expected an object"},
        {R"({"primary":{"used_percent":9}})", R"({"primary":5,"secondary":"x"})",
         "\"payload.rate_limits.primary\" is a number, expected an object"},
        {R"("2025-01-01T00:00:05Z")", "1735689605", "\"timestamp\" is a number, expected a string"},
        {"T00:00:05Z", "T00:00:05",
         "\"timestamp\" is not an ISO 8601 date and time with a time zone"},
        {R"("payload":{)", R"("payload":"{\"type\":\"token_count\"}","x":{)", {}},
        {R"("type":"token_count")", std::string(R"("type":"token_count")") + '\0', {}},
        {"}}}}", "}}}", {}},
        {"{\"timestamp\"", "[{\"timestamp\"", {}},
    };
    for (const auto& [from, to, reason] : spoilers) {
        std::string spoiled = usable;
        spoiled.replace(spoiled.find(from), from.size(), to);
        EXPECT_EQ(percent(parse({withPercent("2025-01-01T00:00:00Z", 1), spoiled})), 1)
            << spoiled.substr(0, 120);
        EXPECT_EQ(unusableEventReason(std::vector<std::string_view>{spoiled}), reason);
    }
    EXPECT_EQ(percent(parse({withPercent("2025-01-01T00:00:00Z", 1), usable})), 9);
}

TEST(RolloutParsing, TakesTheLastNonEmptyModelAndKeepsAnEmptyPlan) {
    const std::string withEmptyPlan =
        event("2025-01-01T00:00:00Z", R"({"primary":{"used_percent":1},"plan_type":""})");
    const auto snapshot = parse({context(R"("first")"), withEmptyPlan, context(R"("second")"),
                                 context(R"("")"), context("7")});
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->model, "second");
    EXPECT_EQ(snapshot->planType, "");
    EXPECT_FALSE(parse({withEmptyPlan})->model);
    EXPECT_FALSE(parse({context(R"("only a model")")}));
}

// "label=percent" per row in display order, then the summary.
std::string shown(const std::optional<UsageSnapshot>& snapshot) {
    std::string text;
    for (const LabeledWindow& row : labeledWindows(snapshot.value_or(UsageSnapshot{})))
        text += row.label + '=' + percentFigure(row.window.usedPercentage.value_or(-1)) + ' ';
    return text + "| " + menuBarSummary(snapshot).value_or("none");
}

// A "rate_limits" of today's Codex at 09:00:0<second>Z; id and name are JSON texts or "".
std::string familyLine(int second, const std::string& id, const std::string& name, double primary,
                       double secondary) {
    const double time = 1772442000.0 + second;
    OrderedJson limits = testing::rateLimits(primary, secondary, time);
    if (!id.empty())
        limits["limit_id"] = OrderedJson::parse(id);
    if (!name.empty())
        limits["limit_name"] = OrderedJson::parse(name);
    return testing::tokenCountLine(testing::codexTimestamp(time), limits);
}

// Across files too: the account's own family wins; on equal times the newer file's event stays.
TEST(RolloutParsing, MainWindowsComeFromTheAccountsOwnLimitFamily) {
    const std::string spark = R"("codex_bengalfox")", sparkName = R"("GPT-5.3-Codex-Spark")";
    const std::string main = "Current session (5h)=42% Weekly limit (7d)=17% ";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{familyLine(1, R"("codex")", "", 40, 16), familyLine(2, spark, sparkName, 9, 9),
          familyLine(3, R"("codex")", R"("Codex")", 42, 17), familyLine(4, spark, sparkName, 0, 3)},
         main + "GPT-5.3-Codex-Spark (5h)=0% GPT-5.3-Codex-Spark (7d)=3% | 42% \u00B7 17%"},
        // A family's event stamped before the account's latest still counts.
        {{familyLine(1, spark, "", 5, 6), "", familyLine(3, "null", "null", 42, 17)},
         main + "codex_bengalfox (5h)=5% codex_bengalfox (7d)=6% | 42% \u00B7 17%"},
        {{familyLine(1, "", "", 42, 17), familyLine(2, R"("b")", R"("B")", 1, 2),
          familyLine(2, R"("a")", R"("")", 3, 4)},
         main + "a (5h)=3% a (7d)=4% B (5h)=1% B (7d)=2% | 42% \u00B7 17%"},
        {{familyLine(1, spark, sparkName, 0, 7)},
         "Current session (5h)=0% Weekly limit (7d)=7% | 0% \u00B7 7%"},
        {{familyLine(2, spark, "", 1, 2), "", familyLine(2, spark, "", 3, 4),
          familyLine(1, "", "", 42, 17)},
         main + "codex_bengalfox (5h)=1% codex_bengalfox (7d)=2% | 42% \u00B7 17%"},
        {{familyLine(2, spark, "", 42, 17), "", familyLine(2, R"("b")", "", 1, 2)},
         main + "b (5h)=1% b (7d)=2% | 42% \u00B7 17%"},
    };
    for (const auto& [lines, expected] : cases)
        EXPECT_EQ(shown(parse(lines)), expected) << lines.front();
}

// Codex names a window by its length; a plan without the five-hour limit sends its weekly one
// alone, as "primary". Old logs without lengths read as before.
TEST(RolloutParsing, KeysAndLabelsWindowsByTheirLength) {
    const auto window = [](int minutes, int used) {
        return R"({"used_percent":)" + std::to_string(used) + R"(,"window_minutes":)" +
               std::to_string(minutes) + R"(,"resets_at":1783000000})";
    };
    const std::string old = R"({"used_percent":6.0,"resets_in_seconds":60})";
    // The same windows in another limit family "s": their keys in display order.
    const std::tuple<std::string, std::string, std::string, std::string> cases[] = {
        {window(10080, 5), "null", "Weekly limit (7d)=5% | 5%", "s.seven_day"},
        {window(1440, 5), "null", "Daily limit (1d)=5% | 5%", "s.daily"},
        {window(43200, 5), "null", "Monthly limit (30d)=5% | 5%", "s.monthly"},
        {window(44640, 5), window(10080, 9),
         "Weekly limit (7d)=9% Monthly limit (31d)=5% | 9% \u00B7 5%", "s.seven_day s.monthly"},
        {window(9600, 5), "null", "Weekly limit (160h)=5% | 5%", "s.seven_day"},
        {window(9500, 5), "null", "Current session (9500m)=5% | 5%", "s.primary"},
        {window(315, 5), window(1512, 9),
         "Current session (315m)=5% Daily limit (1512m)=9% | 5% \u00B7 9%", "s.five_hour s.daily"},
        {window(10080, 5), window(10080, 9),
         "Current session (7d)=5% Weekly limit (7d)=9% | 5% \u00B7 9%", "s.seven_day s.secondary"},
        {window(1440, 5), window(1440, 9),
         "Weekly limit (1d)=9% Daily limit (1d)=5% | 9% \u00B7 5%", "s.daily s.secondary"},
        {old, old, "Current session (5h)=6% Weekly limit (7d)=6% | 6% \u00B7 6%",
         "s.primary s.secondary"},
    };
    for (const auto& [primary, secondary, expected, familyKeys] : cases) {
        const std::string limits = R"({"primary":)" + primary + R"(,"secondary":)" + secondary +
                                   R"(,"plan_type":"self_serve_business_usage_based")";
        const std::string time = "2026-07-01T10:00:00.000Z";
        EXPECT_EQ(shown(parse({event(time, limits + '}')})), expected) << primary;
        std::string keys;
        for (const LabeledWindow& row : labeledWindows(
                 *parse({event(time, limits + '}'), event(time, limits + R"(,"limit_id":"s"})")})))
            keys += row.window.family ? row.key + ' ' : "";
        EXPECT_EQ(keys, familyKeys + ' ') << primary;
    }
}

} // namespace
} // namespace tallyglass
