#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tallyglass {

// The non-empty lines of the end of a file, as views into the buffer this object owns, so
// lines are never copied one by one; only lines that needed repair live in a second buffer.
// Moving keeps the views valid; copying is not offered.
class TailLines {
public:
    TailLines() = default;
    // Takes the raw bytes of a tail. When the tail starts inside the file its first line is
    // dropped, as it may be the end of a line that began earlier. Invalid UTF-8 becomes U+FFFD.
    TailLines(std::unique_ptr<char[]> bytes, std::size_t size, bool startsInsideFile);

    TailLines(TailLines&&) = default;
    TailLines& operator=(TailLines&&) = default;

    const std::vector<std::string_view>& lines() const { return m_lines; }

private:
    void repairLines();

    std::unique_ptr<char[]> m_text;
    std::unique_ptr<char[]> m_repaired; // lines that were not well-formed UTF-8
    std::vector<std::string_view> m_lines;
};

// The lines of the last maxBytes bytes of the file, split at line feeds. Only regular files
// are read, and opening never waits (a FIFO or socket under the name yields nothing). Every
// failure gives no lines.
TailLines readTailLines(const std::string& path, std::uint64_t maxBytes);

} // namespace tallyglass
