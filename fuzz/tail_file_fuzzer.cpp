#include "sources/codex/tail_reader.h"
#include "sources/codex/tail_scanning.h"

#include <QByteArrayView>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// One scratch file per process, rewritten for every input.
const std::string& scratchPath() {
    static const std::string path = [] {
        char name[] = "/tmp/tail_file_fuzzer-XXXXXX";
        const int fd = ::mkstemp(name);
        if (fd < 0)
            std::abort();
        ::close(fd);
        return std::string(name);
    }();
    return path;
}

} // namespace

// The first byte picks a sparse hole of 0 to 7 MiB before the data, the second how often the
// rest is repeated (1 to 32 times), so tails start at every kind of place: inside a hole,
// inside a line or a character, before or after the only event.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const off_t hole = off_t(data[0] % 8) << 20;
    const int repeats = 1 + data[1] % 32;
    const std::string& path = scratchPath();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    if (hole > 0 && ::ftruncate(::fileno(file), hole) == 0)
        std::fseek(file, hole, SEEK_SET);
    for (int i = 0; i < repeats; ++i)
        std::fwrite(data + 2, 1, size - 2, file);
    std::fclose(file);
    tallyglass::Candidate candidate;
    candidate.key.path = path;
    (void)tallyglass::snapshotFromFile(candidate);
    // Whatever the bytes, the lines are non-empty, well-formed UTF-8 and free of line feeds.
    const tallyglass::TailLines tail = tallyglass::readTailLines(path, tallyglass::firstTailLength);
    for (const std::string_view line : tail.lines())
        if (line.empty() || line.find('\n') != std::string_view::npos ||
            !QByteArrayView(line.data(), qsizetype(line.size())).isValidUtf8())
            std::abort();
    return 0;
}
