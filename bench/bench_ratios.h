#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace tallyglass::bench {

// A console reporter that also prints, after the table, each measured figure as a ratio of
// its reference from the same run: medians when repetitions are asked for, else single runs.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    struct Pair {
        std::string measured;
        std::string reference;
        double limit; // 0: reported only
    };

    explicit RatioReporter(std::vector<Pair> pairs);

    void ReportRuns(const std::vector<Run>& runs) override;
    void printRatios() const;

private:
    std::vector<Pair> m_pairs;
    std::map<std::string, double> m_single;
    std::map<std::string, double> m_median;
};

} // namespace tallyglass::bench
