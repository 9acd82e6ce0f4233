#include "core/window_labels.h"
#include "sources/claude/snapshot_decoding.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto snapshot =
        tallyglass::decodeSnapshot(std::string_view(reinterpret_cast<const char*>(data), size));
    // Whatever decodes must also label and summarise without fault.
    if (snapshot) {
        (void)tallyglass::labeledWindows(*snapshot);
        (void)tallyglass::menuBarSummary(snapshot);
    }
    return 0;
}
