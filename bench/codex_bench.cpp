// Codex source costs, each beside its reference in the same run:
//   unchanged refresh over a year of logs (10,220 in 365 day folders), watched
//                                        vs  today's walk of the same tree
//                                        vs  find <home>/sessions <home>/archived_sessions
//                                            -name '*.jsonl' -printf '%T@ %s\n'
//   one line appended to the newest log, watched  vs  the walk and five tails, as today
//   changed load over five 8 MiB logs    vs  reading their last 4 MiB into memory
//   worst case (three passes per log)    vs  the same reads
// Ratios are printed after the table; run with --benchmark_repetitions=N to compare medians.
#include "bench_ratios.h"
#include "rollout_writer.h"

#include "sources/codex/codex_usage_source.h"
#include "sources/codex/limit_families.h"
#include "sources/codex/tail_scanning.h"
#include "support/codex_home_builder.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace tallyglass;
using bench::RolloutWriter;
using testing::CodexHomeBuilder;

constexpr std::int64_t firstDay = 1733011200; // 2024-12-01
constexpr std::size_t bigLog = 8 << 20;
constexpr int yearOfLogs = 10'220; // 28 sessions a day

struct Homes {
    QTemporaryDir dir;
    QString many = dir.filePath("many");
    QString changed = dir.filePath("changed");
    QString worst = dir.filePath("worst");
};

void buildBigLogs(const QString& root, bool eventsThroughout) {
    CodexHomeBuilder codex(root);
    for (int i = 0; i < 5; ++i) {
        const double start = double(firstDay + 86400 * (360 + i));
        RolloutWriter writer(start, std::uint32_t(100 + i));
        writer.sessionMeta().turnContext();
        if (!eventsThroughout)
            writer.tokenCount();
        writer.turnsUntil(bigLog, eventsThroughout);
        codex.addSession(start, writer.text(), std::int64_t(writer.clock()) + 1);
    }
    QDir().mkpath(root + "/archived_sessions");
}

// Small complete sessions spread evenly over the days from firstDay on.
void addManySessions(CodexHomeBuilder& codex, int count, int days) {
    for (int i = 0; i < count; ++i) {
        const double start =
            double(firstDay + std::int64_t(i % days) * 86400 + 3600 + (i / days) * 600);
        RolloutWriter writer(start, std::uint32_t(i + 1));
        writer.sessionMeta(2'000).turnContext().request(2'000).tokenCount();
        codex.addSession(start, writer.text(), std::int64_t(writer.clock()) + 1);
    }
}

const Homes& homes() {
    static const Homes* built = [] {
        auto* homes = new Homes;
        CodexHomeBuilder many(homes->many);
        addManySessions(many, yearOfLogs, 365);
        QDir().mkpath(homes->many + "/archived_sessions");
        buildBigLogs(homes->changed, true);
        buildBigLogs(homes->worst, false);
        return homes;
    }();
    return *built;
}

void useHome(const QString& home) {
    qputenv("CODEX_HOME", QFile::encodeName(home));
}

void unchangedRefresh(benchmark::State& state) {
    useHome(homes().many);
    CodexUsageSource source;
    if (!source.loadSnapshot() || !source.isAvailable())
        state.SkipWithError("the tree yields no reading");
    for (auto _ : state) {
        benchmark::DoNotOptimize(source.loadSnapshot());
        benchmark::DoNotOptimize(source.isAvailable());
    }
}

// What every refresh cost before the kernel's notices: the walk, the newest five kept.
void unchangedWalk(benchmark::State& state) {
    for (auto _ : state) {
        auto found = findCandidates(homes().many);
        found.resize(std::min(found.size(), CodexUsageSource::filesRead));
        benchmark::DoNotOptimize(found);
    }
}

std::string newestLog() {
    return findCandidates(homes().many).front().path();
}

// Each appended event is the latest of all, across repetitions too.
double appendEvent(const std::string& path) {
    static double clock = 2e9;
    clock += 5;
    const std::string line = testing::tokenCountLine(clock, 42, 17) + '\n';
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    benchmark::DoNotOptimize(::write(fd, line.data(), line.size()));
    ::close(fd);
    return clock;
}

void appendedLine(benchmark::State& state) {
    useHome(homes().many);
    CodexUsageSource source;
    source.loadSnapshot();
    const std::string newest = newestLog();
    for (auto _ : state) {
        const double clock = appendEvent(newest);
        const auto snapshot = source.loadSnapshot();
        if (!snapshot || snapshot->updatedAt != clock)
            state.SkipWithError("the appended event was not read");
    }
}

void appendedLineWalk(benchmark::State& state) {
    const std::string newest = newestLog();
    for (auto _ : state) {
        const double clock = appendEvent(newest);
        const auto found = findCandidates(homes().many);
        LimitFamilies families;
        for (std::size_t i = 0; i < std::min(found.size(), CodexUsageSource::filesRead); ++i)
            families.add(eventsFromFile(found[i]));
        if (families.snapshot()->updatedAt != clock)
            state.SkipWithError("the appended event was not read");
    }
}

void findReference(benchmark::State& state) {
    const std::string sessions = QFile::encodeName(homes().many + "/sessions").toStdString();
    const std::string archived =
        QFile::encodeName(homes().many + "/archived_sessions").toStdString();
    const char* argv[] = {"find",    sessions.c_str(), archived.c_str(), "-name",
                          "*.jsonl", "-printf",        "%T@ %s\n",       nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawnp(&pid, "find", &actions, nullptr, const_cast<char**>(argv), environ) != 0 ||
            waitpid(pid, &status, 0) != pid || status != 0)
            state.SkipWithError("find failed");
    }
    posix_spawn_file_actions_destroy(&actions);
}

// The reading of the five newest logs, as a change causes it; finding them, which the
// benchmarks above cover, is left out.
void load(benchmark::State& state, const QString& home, bool expectReading) {
    auto found = findCandidates(home);
    found.resize(std::min(found.size(), CodexUsageSource::filesRead));
    for (auto _ : state) {
        LimitFamilies families;
        for (const Candidate& candidate : found)
            families.add(eventsFromFile(candidate));
        if (families.snapshot().has_value() != expectReading)
            state.SkipWithError("unexpected reading");
    }
}

void changedLoad(benchmark::State& state) {
    load(state, homes().changed, true);
}
void worstCase(benchmark::State& state) {
    load(state, homes().worst, false);
}

void readTailsReference(benchmark::State& state) {
    const auto candidates = findCandidates(homes().changed);
    for (auto _ : state) {
        for (const Candidate& candidate : candidates) {
            const int fd = ::open(candidate.path().c_str(), O_RDONLY | O_CLOEXEC);
            struct stat status {};
            ::fstat(fd, &status);
            const auto size = std::size_t(std::min<off_t>(status.st_size, largestTailLength));
            auto buffer = std::make_unique_for_overwrite<char[]>(size);
            benchmark::DoNotOptimize(::pread(fd, buffer.get(), size, status.st_size - off_t(size)));
            ::close(fd);
        }
    }
}

} // namespace

BENCHMARK(unchangedRefresh)->Unit(benchmark::kMicrosecond);
BENCHMARK(unchangedWalk)->Unit(benchmark::kMicrosecond);
BENCHMARK(findReference)->Unit(benchmark::kMicrosecond);
BENCHMARK(appendedLine)->Unit(benchmark::kMicrosecond);
BENCHMARK(appendedLineWalk)->Unit(benchmark::kMicrosecond);
BENCHMARK(changedLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(worstCase)->Unit(benchmark::kMillisecond);
BENCHMARK(readTailsReference)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    homes();
    tallyglass::bench::RatioReporter reporter({{"unchangedRefresh", "unchangedWalk", 0.01},
                                               {"unchangedWalk", "findReference", 1.0},
                                               {"appendedLine", "appendedLineWalk", 1.0},
                                               {"changedLoad", "readTailsReference", 3.0},
                                               {"worstCase", "readTailsReference", 0.0}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
