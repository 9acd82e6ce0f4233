#include "session_discovery.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace tallyglass {
namespace {

bool hasJsonlExtension(const char* name, std::size_t length) {
    static constexpr std::string_view extension = ".jsonl";
    return length > extension.size() &&
           std::memcmp(name + length - extension.size(), extension.data(), extension.size()) == 0;
}

// The directory entry's own type spares a stat, so the only per-file system call is one
// fstatat for names ending in ".jsonl". Symlinks are never followed: a linked folder is not a
// folder and a linked file is not regular.
std::optional<FolderEntry> entryOf(int parent, const std::string& path, const dirent& entry) {
    const char* name = entry.d_name;
    if (name[0] == '.') // hidden entries, and "." and ".."
        return std::nullopt;
    const std::size_t length = std::strlen(name);
    const bool wanted = hasJsonlExtension(name, length);
    unsigned char type = entry.d_type;
    struct stat status {};
    if (type == DT_UNKNOWN || (type == DT_REG && wanted)) {
        if (::fstatat(parent, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return std::nullopt;
        type = S_ISDIR(status.st_mode) ? DT_DIR : S_ISREG(status.st_mode) ? DT_REG : DT_UNKNOWN;
    }
    FolderEntry found{std::string(name, length), type == DT_DIR, {}};
    if (type == DT_REG && wanted) {
        found.file.key.path.reserve(path.size() + 1 + length);
        found.file.key.path.append(path).append(1, '/').append(name, length);
        found.file.key.modified = modificationTime(status);
        found.file.key.size = static_cast<std::uint64_t>(status.st_size);
        return found;
    }
    return found.isFolder ? std::optional(std::move(found)) : std::nullopt;
}

void walk(int fd, const std::string& path, int depth, std::vector<Candidate>& found) {
    for (FolderEntry& entry : readFolder(fd, path)) {
        if (!entry.isFolder) {
            found.push_back(std::move(entry.file));
        } else if (depth < deepestFolder) {
            const int child = openSubfolder(fd, entry.name);
            if (child >= 0)
                walk(child, path + '/' + entry.name, depth + 1, found);
        }
    }
    ::close(fd);
}

} // namespace

FileTime modificationTime(const struct stat& status) {
    return FileTime(std::chrono::seconds(status.st_mtim.tv_sec) +
                    std::chrono::nanoseconds(status.st_mtim.tv_nsec));
}

int openSessionRoot(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
}

int openSubfolder(int parent, const std::string& name) {
    return ::openat(parent, name.c_str(),
                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
}

std::vector<FolderEntry> readFolder(int fd, const std::string& path) {
    std::vector<FolderEntry> entries;
    const int own = ::dup(fd);
    DIR* folder = own < 0 ? nullptr : ::fdopendir(own);
    if (!folder) {
        if (own >= 0)
            ::close(own);
        return entries;
    }
    while (const dirent* entry = ::readdir(folder))
        if (auto found = entryOf(fd, path, *entry))
            entries.push_back(std::move(*found));
    ::closedir(folder);
    return entries;
}

std::vector<std::string> sessionRoots(const QString& codexHome) {
    const std::string home = QFile::encodeName(codexHome).toStdString();
    return {home + "/sessions", home + "/archived_sessions"};
}

void sortNewestFirst(std::vector<Candidate>& candidates) {
    std::stable_sort(
        candidates.begin(), candidates.end(),
        [](const Candidate& a, const Candidate& b) { return a.key.modified > b.key.modified; });
}

std::vector<Candidate> findCandidates(const QString& codexHome) {
    std::vector<Candidate> found;
    for (const std::string& root : sessionRoots(codexHome))
        if (const int fd = openSessionRoot(root); fd >= 0)
            walk(fd, root, 0, found);
    sortNewestFirst(found);
    return found;
}

} // namespace tallyglass
