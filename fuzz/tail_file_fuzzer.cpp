#include "sources/codex/tail_reader.h"
#include "sources/codex/tail_scanning.h"

#include <QByteArrayView>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// One scratch file per process, rewritten for every input and removed at exit. The name
// lives in a plain array, which no destructor takes away before the exit handler runs.
char scratchName[] = "/tmp/tail_file_fuzzer-XXXXXX";

const char* scratchPath() {
    static const bool created = [] {
        const int fd = ::mkstemp(scratchName);
        if (fd < 0)
            std::abort();
        ::close(fd);
        std::atexit([] { ::unlink(scratchName); });
        return true;
    }();
    (void)created;
    return scratchName;
}

} // namespace

// Two header bytes lay the file out as [hole][data][filler]: the first byte's low three bits
// give a sparse hole of 0 to 7 MiB, the second a filler of plain lines that leaves n * 64 bytes
// of the data in the first tail (none without it), so tails start at every kind of place:
// inside the hole, inside a line or a character of the data, before or after its events.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const off_t hole = off_t(data[0] & 7) << 20;
    const std::size_t filler = data[1] == 0 ? 0 : tallyglass::firstTailLength - data[1] * 64u;
    const std::string path = scratchPath();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    if (hole > 0 && ::ftruncate(::fileno(file), hole) == 0)
        std::fseek(file, hole, SEEK_SET);
    std::fwrite(data + 2, 1, size - 2, file);
    static const std::string fillerLine = std::string(63, 'x') + '\n';
    for (std::size_t written = 0; written < filler; written += fillerLine.size())
        std::fwrite(fillerLine.data(), 1, std::min(fillerLine.size(), filler - written), file);
    std::fclose(file);
    tallyglass::Candidate candidate;
    candidate.key.path = path;
    (void)tallyglass::eventsFromFile(candidate);
    // Whatever the bytes, the lines are non-empty, well-formed UTF-8 and free of line feeds.
    const tallyglass::TailLines tail = tallyglass::readTailLines(path, tallyglass::firstTailLength);
    for (const std::string_view line : tail.lines())
        if (line.empty() || line.find('\n') != std::string_view::npos ||
            !QByteArrayView(line.data(), qsizetype(line.size())).isValidUtf8())
            std::abort();
    return 0;
}
