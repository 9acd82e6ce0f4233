#include "bench_ratios.h"

#include <cstdio>

namespace tallyglass::bench {
namespace {

// Google Benchmark 1.8 (Debian 13) tells a run that did not finish by skipped, 1.7 by
// error_occurred.
template <typename Run> bool didNotFinish(const Run& run) {
    if constexpr (requires { run.error_occurred; })
        return run.error_occurred;
    else
        return run.skipped != decltype(run.skipped){};
}

} // namespace

RatioReporter::RatioReporter(std::vector<Pair> pairs)
    : m_pairs(std::move(pairs)) {}

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        const std::string name = run.run_name.function_name;
        if (didNotFinish(run))
            continue;
        if (run.run_type == Run::RT_Iteration)
            m_single[name] = run.GetAdjustedRealTime();
        else if (run.aggregate_name == "median")
            m_median[name] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
}

void RatioReporter::printRatios() const {
    const auto& times = m_median.empty() ? m_single : m_median;
    std::printf("\nRatios (%s real time):\n", m_median.empty() ? "single-run" : "median");
    for (const Pair& pair : m_pairs) {
        const auto measured = times.find(pair.measured);
        const auto reference = times.find(pair.reference);
        if (measured == times.end() || reference == times.end() || reference->second <= 0)
            continue;
        const double ratio = measured->second / reference->second;
        std::printf("  %-18s / %-20s = %6.3f", pair.measured.c_str(), pair.reference.c_str(),
                    ratio);
        if (pair.limit > 0)
            std::printf("  (limit %.1f: %s)", pair.limit, ratio <= pair.limit ? "met" : "NOT MET");
        std::printf("\n");
    }
}

} // namespace tallyglass::bench
