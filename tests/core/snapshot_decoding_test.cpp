#include "core/snapshot_decoding.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <string>

using tallyglass::decodeSnapshot;
using tallyglass::UsageSnapshot;
using tallyglass::UsageWindow;

namespace {

struct Rejected {
    const char* why;
    const char* json;
};

void PrintTo(const Rejected& rejected, std::ostream* out) {
    *out << rejected.why;
}

class RejectedSnapshot : public ::testing::TestWithParam<Rejected> {};

TEST_P(RejectedSnapshot, YieldsNothing) {
    EXPECT_FALSE(decodeSnapshot(GetParam().json)) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(
    DecodingRules, RejectedSnapshot,
    ::testing::Values(
        Rejected{"empty", ""}, Rejected{"not JSON", "hello"},
        Rejected{"truncated", R"({"updated_at": 1, "windows": {"five_hour": {)"},
        Rejected{"top level array", R"([{"updated_at": 1}])"}, Rejected{"top level number", "1"},
        Rejected{"missing updated_at", R"({"windows": {}})"},
        Rejected{"null updated_at", R"({"updated_at": null})"},
        Rejected{"string updated_at", R"({"updated_at": "1700000000"})"},
        Rejected{"NaN spelling", R"({"updated_at": NaN})"},
        Rejected{"Infinity spelling", R"({"updated_at": Infinity})"},
        Rejected{"model number", R"({"updated_at": 1, "model": 4})"},
        Rejected{"plan_type object", R"({"updated_at": 1, "plan_type": {}})"},
        Rejected{"windows array", R"({"updated_at": 1, "windows": []})"},
        Rejected{"windows member null", R"({"updated_at": 1, "windows": {"five_hour": null}})"},
        Rejected{"windows member number", R"({"updated_at": 1, "windows": {"five_hour": 3}})"},
        Rejected{"resets_at date text",
                 R"({"updated_at": 1, "windows": {"a": {"resets_at": "2026-01-01T00:00:00Z"}}})"},
        Rejected{"used_percentage bool",
                 R"({"updated_at": 1, "windows": {"a": {"used_percentage": true}}})"},
        Rejected{"window_minutes array",
                 R"({"updated_at": 1, "windows": {"a": {"window_minutes": [300]}}})"},
        Rejected{"legacy window of wrong type", R"({"updated_at": 1, "five_hour": 42})"},
        Rejected{"legacy member of wrong type",
                 R"({"updated_at": 1, "seven_day": {"used_percentage": "42"}})"},
        Rejected{"trailing garbage", R"({"updated_at": 1} x)"},
        Rejected{"comment", R"({"updated_at": 1 /* now */})"},
        Rejected{"trailing comma", R"({"updated_at": 1,})"},
        Rejected{"invalid UTF-8 in a string", "{\"updated_at\": 1, \"model\": \"\xff\"}"}));

TEST(SnapshotDecoding, ReadsWhatTheHelperWrites) {
    const auto snapshot = decodeSnapshot(
        R"({"updated_at":1787040000.25,"model":"Opus 4.7","windows":{"five_hour":{"used_percentage":37,"resets_at":1787054400},"seven_day":{"used_percentage":14.000000000000002,"resets_at":1787385600,"window_minutes":10080,"extra":[1,{"x":null}]}}})");
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->updatedAt, 1787040000.25);
    EXPECT_EQ(snapshot->model, "Opus 4.7");
    EXPECT_FALSE(snapshot->planType);
    ASSERT_EQ(snapshot->windows.size(), 2u);
    EXPECT_EQ(snapshot->windows.at("five_hour"), (UsageWindow{37.0, 1787054400.0, std::nullopt}));
    EXPECT_EQ(snapshot->windows.at("seven_day"),
              (UsageWindow{14.000000000000002, 1787385600.0, 10080.0}));
}

TEST(SnapshotDecoding, NumbersOfEveryFormReadAsDoubles) {
    const auto snapshot = decodeSnapshot(
        R"({"updated_at":17e8,"windows":{"a":{"used_percentage":-5,"resets_at":18446744073709551615,"window_minutes":3.0E2}}})");
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->updatedAt, 1.7e9);
    EXPECT_EQ(snapshot->windows.at("a"), (UsageWindow{-5.0, 18446744073709551615.0, 300.0}));
}

TEST(SnapshotDecoding, OptionalMembersAndEmptyShapes) {
    const auto bare = decodeSnapshot(R"({"updated_at": 5})");
    ASSERT_TRUE(bare);
    EXPECT_EQ(*bare, (UsageSnapshot{5.0, std::nullopt, std::nullopt, {}}));

    const auto nulls = decodeSnapshot(
        R"({"updated_at": 5, "model": null, "plan_type": null, "windows": {"k": {"used_percentage": null, "resets_at": null, "window_minutes": null}}})");
    ASSERT_TRUE(nulls);
    EXPECT_FALSE(nulls->model);
    EXPECT_EQ(nulls->windows.at("k"), UsageWindow{});

    const auto empties = decodeSnapshot(
        R"({"updated_at": 5, "model": "", "plan_type": "pro", "windows": {"x_y": {}}})");
    ASSERT_TRUE(empties);
    EXPECT_EQ(empties->model, "");
    EXPECT_EQ(empties->planType, "pro");
    EXPECT_EQ(empties->windows.count("x_y"), 1u);
}

TEST(SnapshotDecoding, EarlierLayoutOnlyWithoutWindows) {
    // With "windows" present the top-level windows are not even type-checked.
    const auto modern = decodeSnapshot(
        R"({"updated_at": 1, "five_hour": 12, "seven_day": {"used_percentage": "x"}, "windows": {}})");
    ASSERT_TRUE(modern);
    EXPECT_TRUE(modern->windows.empty());

    const auto legacy = decodeSnapshot(
        R"({"updated_at": 1, "windows": null, "five_hour": {"used_percentage": 42}, "seven_day": null, "seven_day_opus": {"used_percentage": 1}})");
    ASSERT_TRUE(legacy);
    ASSERT_EQ(legacy->windows.size(), 1u);
    EXPECT_EQ(legacy->windows.at("five_hour").usedPercentage, 42.0);

    // Members after "windows" still count: the choice is made once the object is complete.
    const auto lateWindows = decodeSnapshot(
        R"({"updated_at": 1, "five_hour": {"used_percentage": 42}, "windows": {"seven_day": {}}})");
    ASSERT_TRUE(lateWindows);
    EXPECT_EQ(lateWindows->windows.count("five_hour"), 0u);
    EXPECT_EQ(lateWindows->windows.count("seven_day"), 1u);
}

TEST(SnapshotDecoding, UnknownMembersIgnoredAtEveryLevel) {
    const auto snapshot = decodeSnapshot(
        R"({"Updated_At": "x", "updated_at": 1, "extra": {"windows": 5, "model": 3}, "windows": {"five_hour": {"USED_PERCENTAGE": "x", "nested": [[[{}]]], "used_percentage": 9}}, "tail": [null, true]})");
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->windows.at("five_hour").usedPercentage, 9.0);
    EXPECT_FALSE(snapshot->model);
}

TEST(SnapshotDecoding, HostileInputEndsWithoutFault) {
    const std::string deep(100'000, '[');
    EXPECT_FALSE(decodeSnapshot(deep));
    const std::string deepUnknown =
        R"({"updated_at": 1, "x": )" + std::string(100'000, '[') + std::string(100'000, ']') + "}";
    EXPECT_TRUE(decodeSnapshot(deepUnknown));

    std::string binary(4096, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>(i * 131 % 256);
    EXPECT_FALSE(decodeSnapshot(binary));
}

} // namespace

namespace {

// The recorded files double as the fuzzer's seeds; their names say what they must give.
TEST(SnapshotDecoding, RecordedFiles) {
    const QDir folder(QStringLiteral(TALLYGLASS_TEST_DATA "/snapshot_decoding"));
    const auto names = folder.entryList({QStringLiteral("*.json")}, QDir::Files);
    ASSERT_GE(names.size(), 6);
    for (const QString& name : names) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const bool decoded =
            decodeSnapshot(std::string_view(bytes.constData(), bytes.size())).has_value();
        EXPECT_EQ(decoded, name.startsWith(QLatin1String("valid-"))) << name.toStdString();
    }
}

} // namespace
