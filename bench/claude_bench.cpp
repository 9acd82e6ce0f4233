#include "core/file_access.h"
#include "sources/claude/claude_paths.h"
#include "sources/claude/claude_usage_source.h"
#include "sources/claude/settings_update.h"
#include "sources/claude/statusline_command.h"
#include "sources/claude/statusline_installation.h"
#include "sources/claude/statusline_script.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <string_view>
#include <vector>

extern char** environ;

namespace {

using namespace tallyglass;

// About 2 KB, as Claude Code sends it in a session with a few added folders.
const QByteArray realisticInput =
    R"({"session_id":"7f3c2a9e-4b1d-4e8a-9c55-2d0f6b8e1a47","transcript_path":"/home/user/.claude/projects/-home-user-src-webapp/7f3c2a9e-4b1d-4e8a-9c55-2d0f6b8e1a47.jsonl","cwd":"/home/user/src/webapp","model":{"id":"claude-opus-4-7","display_name":"Opus 4.7"},"workspace":{"current_dir":"/home/user/src/webapp","project_dir":"/home/user/src/webapp","added_dirs":["/home/user/src/shared-components","/home/user/src/design-tokens","/home/user/src/api-client","/home/user/src/infrastructure/terraform","/home/user/src/infrastructure/helm-charts","/home/user/notes/webapp","/home/user/src/webapp-e2e","/home/user/src/webapp-docs","/home/user/src/webapp-storybook","/home/user/src/legacy-webapp","/home/user/src/mobile-app","/home/user/src/analytics-pipeline"]},"version":"2.1.239","output_style":{"name":"default"},"cost":{"total_cost_usd":1.8342,"total_duration_ms":2712000,"total_api_duration_ms":913000,"total_lines_added":1289,"total_lines_removed":377},"context_window":{"context_window_size":200000,"used_percentage":31,"total_input_tokens":61234,"total_output_tokens":18345,"current_usage":{"input_tokens":5321,"output_tokens":932,"cache_creation_input_tokens":12034,"cache_read_input_tokens":43879}},"exceeds_200k_tokens":false,"hook_event_name":"Status","session_name":"Refactor the checkout flow and add end-to-end tests for the payment step","git":{"branch":"feature/checkout-refactor","dirty":true,"ahead":3,"behind":0,"remote":"origin","last_commit":"a1b2c3d Split the checkout form into steps"},"vim":{"mode":"INSERT"},"agent":{"name":"general-purpose"},"rate_limits":{"five_hour":{"used_percentage":37,"resets_at":1787054400},"seven_day":{"used_percentage":14.000000000000002,"resets_at":1787385600},"seven_day_opus":{"used_percentage":3,"resets_at":1787385600}}})";

// One whole process through /bin/sh -c, standard input from a file, output discarded.
double secondsThroughShell(const QByteArray& command, const char* inputPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inputPath, O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"),
                    const_cast<char*>(command.constData()), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", &actions, nullptr, argv, environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The largest peak resident size, in MiB, of a few runs of the same command through the probe.
double peakRssMiBThroughShell(const QByteArray& command, const char* inputPath,
                              const QString& resultPath) {
    const QByteArray probe = QByteArray(TALLYGLASS_PEAK_RSS_PROBE) + ' ' +
                             QFile::encodeName(resultPath) + " /bin/sh -c '" + command + "'";
    double peak = 0;
    for (int run = 0; run < 10; ++run) {
        secondsThroughShell(probe, inputPath);
        QFile result(resultPath);
        result.open(QIODevice::ReadOnly);
        peak = std::max(peak, result.readAll().trimmed().toDouble() / 1024.0);
    }
    return peak;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// The helper, /bin/true and the Node.js script take turns within each iteration, so the
// machine's load falls on all three alike; the ratios are what to read.
void BM_StatuslineHelperRun(benchmark::State& state) {
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    installStatuslineHelper(claudeFolderPath(),
                            statuslineCommand(TALLYGLASS_RUNNER, statuslineScriptPath()));
    const QString inputPath = home.filePath("input.json");
    QFile input(inputPath);
    input.open(QIODevice::WriteOnly);
    input.write(realisticInput);
    input.close();
    const QByteArray helper = statuslineCommand(TALLYGLASS_RUNNER, statuslineScriptPath()).toUtf8();
    const QByteArray node = QByteArray(TALLYGLASS_NODE " ") + TALLYGLASS_NODE_REFERENCE;
    const QByteArray path = QFile::encodeName(inputPath);

    const bool withNode = !std::string_view(TALLYGLASS_NODE).empty();
    std::vector<double> helperTimes, trueTimes, nodeTimes;
    for (auto _ : state) {
        helperTimes.push_back(secondsThroughShell(helper, path.constData()));
        state.SetIterationTime(helperTimes.back());
        trueTimes.push_back(secondsThroughShell("/bin/true", path.constData()));
        if (withNode)
            nodeTimes.push_back(secondsThroughShell(node, path.constData()));
    }
    const double helperMs = median(helperTimes) * 1e3;
    const double trueMs = median(trueTimes) * 1e3;
    const double nodeMs = median(nodeTimes) * 1e3;
    const QString result = home.filePath("peak-rss");
    state.counters["helper_median_ms"] = helperMs;
    state.counters["true_median_ms"] = trueMs;
    state.counters["node_median_ms"] = nodeMs;
    state.counters["helper_over_true"] = helperMs / trueMs;
    state.counters["node_over_helper"] = nodeMs / helperMs;
    state.counters["helper_peak_rss_MiB"] =
        peakRssMiBThroughShell(helper, path.constData(), result);
    state.counters["true_peak_rss_MiB"] =
        peakRssMiBThroughShell("/bin/true", path.constData(), result);
    if (withNode)
        state.counters["node_peak_rss_MiB"] =
            peakRssMiBThroughShell(node, path.constData(), result);
}
BENCHMARK(BM_StatuslineHelperRun)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);

const QByteArray typicalSnapshot =
    R"({"updated_at":1787040000.123456,"model":"Opus 4.7","windows":{"five_hour":{"used_percentage":37,"resets_at":1787054400},"seven_day":{"used_percentage":14.000000000000002,"resets_at":1787385600},"seven_day_opus":{"used_percentage":3,"resets_at":1787385600}}})";

struct SnapshotHome {
    SnapshotHome() {
        qputenv("HOME", home.path().toUtf8());
        QDir().mkpath(claudeFolderPath());
        QFile file(snapshotFilePath());
        file.open(QIODevice::WriteOnly);
        file.write(typicalSnapshot);
    }
    QTemporaryDir home;
};

void BM_LoadSnapshot(benchmark::State& state) {
    SnapshotHome home;
    ClaudeUsageSource source(QStringLiteral(TALLYGLASS_RUNNER));
    for (auto _ : state)
        benchmark::DoNotOptimize(source.loadSnapshot());
}
BENCHMARK(BM_LoadSnapshot);

// The floor for the one above: opening and reading the same file, nothing decoded.
void BM_ReadSnapshotBytesOnly(benchmark::State& state) {
    SnapshotHome home;
    for (auto _ : state) {
        QFile file(snapshotFilePath());
        file.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(file.readAll());
    }
}
BENCHMARK(BM_ReadSnapshotBytesOnly);

void BM_InstallOnInstalledFolder(benchmark::State& state) {
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    const QString command = statuslineCommand(TALLYGLASS_RUNNER, statuslineScriptPath());
    installStatuslineHelper(claudeFolderPath(), command);
    for (auto _ : state)
        installStatuslineHelper(claudeFolderPath(), command);
}
BENCHMARK(BM_InstallOnInstalledFolder);

// What the one above saves now that an unchanged script is not written again.
void BM_WriteScriptOnly(benchmark::State& state) {
    QTemporaryDir home;
    for (auto _ : state)
        writeFileAtomically(
            home.filePath("statusline-usage.js"),
            QByteArrayView(statuslineScript.data(), qsizetype(statuslineScript.size())));
}
BENCHMARK(BM_WriteScriptOnly);

// 333,000 empty objects in one array, 1 MB: the depth check must keep parsing linear.
const std::string manySiblings = "[" + [] {
    std::string objects;
    for (int i = 0; i < 333'000; ++i)
        objects += "{},";
    return objects;
}() + "{}]";

void BM_PlanSettingsOfManySiblings(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(planSettingsUpdate(manySiblings, "x"));
}
BENCHMARK(BM_PlanSettingsOfManySiblings)->Unit(benchmark::kMillisecond);

// The reference for the one above: a plain parse of the same bytes.
void BM_PlainParseOfManySiblings(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(nlohmann::json::parse(manySiblings));
}
BENCHMARK(BM_PlainParseOfManySiblings)->Unit(benchmark::kMillisecond);

// The heap a call takes at its peak beyond what was in use before it, counted through the
// global operator new of this program.
std::atomic<std::size_t> heapInUse{0}, heapPeak{0};

template <typename F> double peakHeapOf(F call) {
    const std::size_t before = heapInUse.load();
    heapPeak = before;
    call();
    return double(heapPeak.load() - before);
}

// The largest settings files planned, with the most values per byte: 16 MB of empty objects,
// and of members in one object.
std::string largestSettings(const char* start, const char* each, const char* end) {
    std::string text = start;
    for (int i = 0; text.size() < maxSettingsBytes - 32; ++i)
        text += i == 0 ? std::string(each).substr(1) : each;
    return text + end;
}
const std::string emptyObjects = largestSettings(R"({"a":[)", ",{}", "]}");
const std::string manyMembers = [] {
    std::string text = "{";
    for (int i = 0; text.size() < maxSettingsBytes - 32; ++i)
        text += (i ? ",\"" : "\"") + std::to_string(i) + "\":0";
    return text + "}";
}();

void peakHeap(benchmark::State& state, const std::string& text, bool plainParse) {
    double peak = 0;
    for (auto _ : state)
        peak = peakHeapOf([&] {
            if (plainParse)
                benchmark::DoNotOptimize(nlohmann::json::parse(text));
            else
                benchmark::DoNotOptimize(planSettingsUpdate(text, "x"));
        });
    state.counters["peak_per_byte"] = peak / double(text.size());
}
// Each beside its reference, a plain parse of the same bytes.
BENCHMARK_CAPTURE(peakHeap, planOfEmptyObjects, emptyObjects, false)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(peakHeap, parseOfEmptyObjects, emptyObjects, true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(peakHeap, planOfManyMembers, manyMembers, false)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(peakHeap, parseOfManyMembers, manyMembers, true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

void* operator new(std::size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block)
        throw std::bad_alloc();
    const std::size_t now = heapInUse += malloc_usable_size(block);
    for (std::size_t peak = heapPeak; now > peak && !heapPeak.compare_exchange_weak(peak, now);) {
    }
    return block;
}
void operator delete(void* block) noexcept {
    if (block)
        heapInUse -= malloc_usable_size(block);
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    operator delete(block);
}

BENCHMARK_MAIN();
