#include "core/snapshot_decoding.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <string>

namespace tallyglass {
namespace {

// Line by line, a whole file to reject and why; the empty piece at the end is the empty file.
TEST(SnapshotDecoding, RejectsTheWholeFileOnAnyFaultAndSaysWhy) {
    const auto table =
        testing::readFile(TALLYGLASS_TEST_DATA "/snapshot_decoding/rejected-lines.txt").split('\n');
    const auto reasons =
        testing::readFile(TALLYGLASS_TEST_DATA "/snapshot_decoding/rejected-reasons.txt")
            .split('\n');
    ASSERT_EQ(table.size(), reasons.size());
    for (qsizetype i = 0; i < table.size(); ++i) {
        std::string problem;
        EXPECT_FALSE(decodeSnapshot(table[i].toStdString(), &problem)) << table[i].constData();
        EXPECT_EQ(problem, reasons[i].toStdString());
    }
}

TEST(SnapshotDecoding, ReadsEveryAcceptedShape) {
    const std::pair<const char*, UsageSnapshot> cases[] = {
        {R"({"updated_at":1787040000.25,"model":"Opus 4.7","windows":{"five_hour":{"used_percentage":37,"resets_at":1787054400},"seven_day":{"used_percentage":14.000000000000002,"resets_at":1787385600,"window_minutes":10080,"extra":[1,{"x":null}]}}})",
         {1787040000.25,
          "Opus 4.7",
          {},
          {{"five_hour", {37.0, 1787054400.0, {}}},
           {"seven_day", {14.000000000000002, 1787385600.0, 10080.0}}}}},
        {R"({"updated_at":17e8,"windows":{"a":{"used_percentage":-5,"resets_at":18446744073709551615,"window_minutes":3.0E2}}})",
         {1.7e9, {}, {}, {{"a", {-5.0, 18446744073709551615.0, 300.0}}}}},
        {R"({"updated_at": 5, "model": null, "plan_type": null, "windows": {"k": {"used_percentage": null, "resets_at": null, "window_minutes": null}}})",
         {5.0, {}, {}, {{"k", {}}}}},
        {R"({"updated_at": 5, "model": "", "plan_type": "pro", "windows": {"x_y": {}}})",
         {5.0, "", "pro", {{"x_y", {}}}}},
        // With "windows" present the top-level windows are not even type-checked, also when
        // they come first.
        {R"({"updated_at": 1, "five_hour": 12, "seven_day": {"used_percentage": "x"}, "windows": {}})",
         {1.0, {}, {}, {}}},
        {R"({"updated_at": 1, "five_hour": {"used_percentage": 42}, "windows": {"seven_day": {}}})",
         {1.0, {}, {}, {{"seven_day", {}}}}},
        {R"({"updated_at": 1, "windows": null, "five_hour": {"used_percentage": 42}, "seven_day": null, "seven_day_opus": {"used_percentage": 1}})",
         {1.0, {}, {}, {{"five_hour", {42.0, {}, {}}}}}},
        {R"({"Updated_At": "x", "updated_at": 1, "extra": {"windows": 5, "model": 3}, "windows": {"five_hour": {"USED_PERCENTAGE": "x", "nested": [[[{}]]], "used_percentage": 9}}, "tail": [null, true]})",
         {1.0, {}, {}, {{"five_hour", {9.0, {}, {}}}}}},
        // A Unix time written as the percentage is no percentage; the window and the rest stay.
        {R"({"updated_at": 1, "windows": {"five_hour": {"used_percentage": 1776950400, "resets_at": 7}, "seven_day": {"used_percentage": 105}, "a": {"used_percentage": -1000}, "b": {"used_percentage": -1000.5}, "c": {"used_percentage": 1e300}, "d": {"used_percentage": 1000}}})",
         {1.0,
          {},
          {},
          {{"five_hour", {{}, 7.0, {}}},
           {"seven_day", {105.0, {}, {}}},
           {"a", {-1000.0, {}, {}}},
           {"b", {}},
           {"c", {}},
           {"d", {1000.0, {}, {}}}}}},
    };
    for (const auto& [json, expected] : cases)
        EXPECT_EQ(decodeSnapshot(json), expected) << json;
}

TEST(SnapshotDecoding, HostileInputEndsWithoutFault) {
    EXPECT_FALSE(decodeSnapshot(std::string(100'000, '[')));
    EXPECT_TRUE(decodeSnapshot(R"({"updated_at": 1, "x": )" + std::string(100'000, '[') +
                               std::string(100'000, ']') + "}"));
    // Far larger than any snapshot: rejected, even when it would be valid.
    for (const std::size_t size : {tallyglass::maxSnapshotBytes - 2, std::size_t(100'000'000)}) {
        std::string padded = R"({"updated_at": 1, "x": ")";
        padded.resize(size, 'a');
        EXPECT_EQ(decodeSnapshot(padded + "\"}").has_value(), size < maxSnapshotBytes);
    }
}

} // namespace
} // namespace tallyglass
