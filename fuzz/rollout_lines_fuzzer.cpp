#include "sources/codex/rollout_diagnosis.h"
#include "sources/codex/rollout_parsing.h"
#include "sources/codex/timestamp_parsing.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Arbitrary bytes as the lines of a rollout tail, split at line feeds as the reader does.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> lines;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        if (end > at)
            lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    (void)tallyglass::parseRolloutLines(lines);
    (void)tallyglass::unusableEventReason(lines);
    if (!lines.empty())
        (void)tallyglass::parseTimestamp(lines.front());
    return 0;
}
