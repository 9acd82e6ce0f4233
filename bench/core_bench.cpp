#include "core/window_labels.h"
#include "sources/claude/snapshot_decoding.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <string>

namespace {

// What the helper writes after a typical status-line update: about 300 bytes.
const std::string typicalSnapshot =
    R"({"updated_at":1787040000.123456,"model":"Opus 4.7","windows":{"five_hour":{"used_percentage":37,"resets_at":1787054400},"seven_day":{"used_percentage":14.000000000000002,"resets_at":1787385600},"seven_day_opus":{"used_percentage":3,"resets_at":1787385600},"seven_day_sonnet":{"used_percentage":0.5,"resets_at":1787385600}}})";

// A 64 KiB snapshot: many windows, each with members the program ignores.
std::string largeSnapshot() {
    std::string text = R"({"updated_at":1787040000.5,"model":"Opus","windows":{)";
    for (int i = 0; text.size() < 64 * 1024 - 200; ++i) {
        text += (i ? "," : "") + std::string("\"window_") + std::to_string(i) +
                R"(":{"used_percentage":)" + std::to_string(i % 100) +
                R"(,"resets_at":1787385600,"window_minutes":10080,"note":"ignored text"})";
    }
    text += "}}";
    return text;
}

void decodeTypical(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(tallyglass::decodeSnapshot(typicalSnapshot));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(typicalSnapshot.size()));
}
BENCHMARK(decodeTypical);

void decodeLarge(benchmark::State& state) {
    const std::string text = largeSnapshot();
    for (auto _ : state)
        benchmark::DoNotOptimize(tallyglass::decodeSnapshot(text));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(decodeLarge);

// The reference: the same bytes parsed into a generic JSON tree, which does less checking.
void referenceParseTypicalIntoTree(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(nlohmann::json::parse(typicalSnapshot, nullptr, false));
}
BENCHMARK(referenceParseTypicalIntoTree);

void referenceParseLargeIntoTree(benchmark::State& state) {
    const std::string text = largeSnapshot();
    for (auto _ : state)
        benchmark::DoNotOptimize(nlohmann::json::parse(text, nullptr, false));
}
BENCHMARK(referenceParseLargeIntoTree);

void labelsAndSummary(benchmark::State& state) {
    const auto snapshot = tallyglass::decodeSnapshot(typicalSnapshot);
    for (auto _ : state) {
        benchmark::DoNotOptimize(tallyglass::labeledWindows(*snapshot));
        benchmark::DoNotOptimize(tallyglass::menuBarSummary(snapshot));
    }
}
BENCHMARK(labelsAndSummary);

// The reference for the label work: copying the snapshot once.
void referenceCopySnapshot(benchmark::State& state) {
    const auto snapshot = tallyglass::decodeSnapshot(typicalSnapshot);
    for (auto _ : state) {
        auto copy = *snapshot;
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(referenceCopySnapshot);

} // namespace

BENCHMARK_MAIN();
