#include "tail_scanning.h"

#include "rollout_parsing.h"
#include "tail_reader.h"

#include <algorithm>
#include <sys/stat.h>

namespace tallyglass {
namespace {

// Taken afresh: the file may have grown or shrunk since discovery.
std::uint64_t currentSize(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
}

} // namespace

RolloutEvents eventsFromFile(const Candidate& candidate) {
    const std::uint64_t size = currentSize(candidate.path());
    std::uint64_t tail = firstTailLength;
    for (;;) {
        const TailLines lines = readTailLines(candidate.path(), tail);
        RolloutEvents events = parseRolloutLines(lines.lines());
        if (!events.families.empty() || tail >= size || tail >= largestTailLength)
            return events;
        tail = std::min(tail * tailGrowthFactor, largestTailLength);
    }
}

} // namespace tallyglass
