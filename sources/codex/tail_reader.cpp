#include "tail_reader.h"

#include "core/file_access.h"

#include <QByteArrayView>

#include <unicode/utf8.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tallyglass {
namespace {

// Closes the descriptor on every path out, ignoring errors from closing.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }

private:
    int m_fd;
};

// Reads up to size bytes at offset; a file that shrinks meanwhile gives fewer.
std::size_t readAt(int fd, char* buffer, std::size_t size, off_t offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, buffer + done, size - done, offset + off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += std::size_t(got);
    }
    return done;
}

// Without the first non-empty piece. Decoding never turns a line feed into anything else nor
// anything else into one, so this is the first line of the decoded text; dropping it before
// decoding spares the common case of a character cut in half at the start of the tail.
std::string_view withoutFirstLine(std::string_view bytes) {
    const std::size_t start = bytes.find_first_not_of('\n');
    if (start == std::string_view::npos)
        return {};
    const std::size_t end = bytes.find('\n', start);
    return end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
}

bool isValidUtf8(std::string_view text) {
    return QByteArrayView(text.data(), qsizetype(text.size())).isValidUtf8();
}

// Writes the line to out with every ill-formed sequence replaced by U+FFFD, one per maximal
// subpart as ICU reads them; well-formed runs are copied whole. Returns the bytes written,
// at most three per byte read.
std::size_t repairUtf8(std::string_view line, char* out) {
    const auto* source = reinterpret_cast<const std::uint8_t*>(line.data());
    const auto length = static_cast<std::int64_t>(line.size());
    std::size_t written = 0;
    std::int64_t run = 0;
    const auto copyRun = [&](std::int64_t end) {
        std::memcpy(out + written, source + run, std::size_t(end - run));
        written += std::size_t(end - run);
    };
    for (std::int64_t at = 0; at < length;) {
        if (source[at] < 0x80) {
            ++at;
            continue;
        }
        const std::int64_t start = at;
        UChar32 c = 0;
        U8_NEXT(source, at, length, c);
        if (c >= 0)
            continue;
        copyRun(start);
        std::memcpy(out + written, "\xEF\xBF\xBD", 3);
        written += 3;
        run = at;
    }
    copyRun(length);
    return written;
}

} // namespace

TailLines::TailLines(std::unique_ptr<char[]> bytes, std::size_t size, bool startsInsideFile)
    : m_text(std::move(bytes)) {
    std::string_view text(m_text.get(), size);
    if (startsInsideFile)
        text = withoutFirstLine(text);
    for (std::size_t at = 0; at < text.size();) {
        const auto* feed =
            static_cast<const char*>(std::memchr(text.data() + at, '\n', text.size() - at));
        const std::size_t end = feed ? std::size_t(feed - text.data()) : text.size();
        if (end > at)
            m_lines.emplace_back(text.data() + at, end - at);
        at = end + 1;
    }
    if (!isValidUtf8(text))
        repairLines();
}

// Only the lines that need it are decoded byte by byte, into a second buffer.
void TailLines::repairLines() {
    std::size_t brokenBytes = 0;
    std::vector<std::size_t> broken;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (!isValidUtf8(m_lines[i])) {
            broken.push_back(i);
            brokenBytes += m_lines[i].size();
        }
    }
    m_repaired = std::make_unique_for_overwrite<char[]>(brokenBytes * 3);
    std::size_t used = 0;
    for (const std::size_t i : broken) {
        char* out = m_repaired.get() + used;
        used += repairUtf8(m_lines[i], out);
        m_lines[i] = std::string_view(out, std::size_t(m_repaired.get() + used - out));
    }
}

TailLines readTailLines(const std::string& path, std::uint64_t maxBytes) {
    struct stat status {};
    const FileDescriptor file(openRegularFile(path.c_str(), &status));
    if (file.get() < 0)
        return {};
    const auto end = static_cast<std::uint64_t>(status.st_size);
    const std::uint64_t offset = end > maxBytes ? end - maxBytes : 0;
    const std::size_t wanted = std::size_t(end - offset);
    if (wanted == 0)
        return {};
    auto bytes = std::make_unique_for_overwrite<char[]>(wanted);
    const std::size_t got = readAt(file.get(), bytes.get(), wanted, off_t(offset));
    if (got == 0)
        return {};
    return TailLines(std::move(bytes), got, offset > 0);
}

} // namespace tallyglass
