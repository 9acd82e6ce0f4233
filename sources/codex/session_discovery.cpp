#include "session_discovery.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallyglass {
namespace {

// Codex nests three levels (year, month, day); anything far deeper is a loop through a bind
// mount or a hostile tree, and each level holds a descriptor open.
constexpr int deepestFolder = 32;

bool hasJsonlExtension(const char* name, std::size_t length) {
    static constexpr std::string_view extension = ".jsonl";
    return length > extension.size() &&
           std::memcmp(name + length - extension.size(), extension.data(), extension.size()) == 0;
}

FileTime modificationTime(const struct stat& status) {
    return FileTime(std::chrono::seconds(status.st_mtim.tv_sec) +
                    std::chrono::nanoseconds(status.st_mtim.tv_nsec));
}

// Walks with descriptors relative to the open parent and the directory entry's own type, so
// the only per-file system call is one fstatat for names ending in ".jsonl". Symlinks are
// never followed: a linked folder is not entered and a linked file is not regular.
class SessionWalker {
public:
    explicit SessionWalker(std::vector<Candidate>& found)
        : m_found(found) {}

    void walkRoot(std::string path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return;
        m_path = std::move(path);
        walk(fd, 0);
    }

private:
    void walk(int fd, int depth);
    void visit(int parent, const dirent& entry, int depth);
    void addFile(const char* name, const struct stat& status);

    std::vector<Candidate>& m_found;
    std::string m_path;
};

void SessionWalker::walk(int fd, int depth) {
    DIR* folder = ::fdopendir(fd);
    if (!folder) {
        ::close(fd);
        return;
    }
    while (const dirent* entry = ::readdir(folder))
        visit(::dirfd(folder), *entry, depth);
    ::closedir(folder);
}

void SessionWalker::visit(int parent, const dirent& entry, int depth) {
    const char* name = entry.d_name;
    if (name[0] == '.') // hidden entries, and "." and ".."
        return;
    const std::size_t length = std::strlen(name);
    const bool wanted = hasJsonlExtension(name, length);
    unsigned char type = entry.d_type;
    struct stat status {};
    if (type == DT_UNKNOWN || (type == DT_REG && wanted)) {
        if (::fstatat(parent, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return;
        type = S_ISDIR(status.st_mode) ? DT_DIR : S_ISREG(status.st_mode) ? DT_REG : DT_UNKNOWN;
    }
    if (type == DT_REG && wanted) {
        addFile(name, status);
    } else if (type == DT_DIR && depth < deepestFolder) {
        const int child =
            ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (child < 0)
            return;
        const std::size_t base = m_path.size();
        m_path.append(1, '/').append(name, length);
        walk(child, depth + 1);
        m_path.resize(base);
    }
}

void SessionWalker::addFile(const char* name, const struct stat& status) {
    Candidate candidate;
    candidate.key.path.reserve(m_path.size() + 1 + std::strlen(name));
    candidate.key.path.append(m_path).append(1, '/').append(name);
    candidate.key.modified = modificationTime(status);
    candidate.key.size = static_cast<std::uint64_t>(status.st_size);
    m_found.push_back(std::move(candidate));
}

} // namespace

std::vector<Candidate> findCandidates(const QString& codexHome) {
    std::vector<Candidate> found;
    SessionWalker walker(found);
    const std::string home = QFile::encodeName(codexHome).toStdString();
    walker.walkRoot(home + "/sessions");
    walker.walkRoot(home + "/archived_sessions");
    std::stable_sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
        return a.key.modified > b.key.modified;
    });
    return found;
}

} // namespace tallyglass
