#include "change_watch.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <set>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <unordered_map>
#include <utility>

namespace tallyglass {
namespace {

constexpr std::uint32_t folderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                       IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF |
                                       IN_ONLYDIR;
// Codex keeps busy files of its own in its home (history, logs): only names that are roots
// matter there, and writes to files never do.
constexpr std::uint32_t homeEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                     IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

std::string parentOf(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}

// Names the walk would pass over without a look: hidden ones, and files not "*.jsonl".
bool ignored(const inotify_event& event) {
    const std::string_view name(event.name);
    return name.starts_with('.') ||
           (!(event.mask & IN_ISDIR) && (name.size() <= 6 || !name.ends_with(".jsonl")));
}

// File systems whose changes made elsewhere (another machine, the other side of a FUSE
// daemon, the host of a virtual machine) bring no notices: NFS, SMB and CIFS, 9p, FUSE (sshfs,
// virtiofs, bindfs and the like), Ceph, AFS, Coda, GFS2, OCFS2 and Lustre.
bool hasReliableNotices(const struct statfs& system) {
    constexpr std::array<unsigned long, 13> remote = {
        0x6969,     0x517B,     0xFF534D42, 0xFE534D42, 0x01021997, 0x65735546, 0x00C36400,
        0x5346414F, 0x6B414653, 0x73757245, 0x01161970, 0x7461636F, 0x0BD00BD0};
    return std::find(remote.begin(), remote.end(), static_cast<unsigned long>(system.f_type)) ==
           remote.end();
}

// What the home and the roots resolve to now: a link on the way pointed elsewhere, or a mount
// over one of them, changes it.
using Identity = std::array<std::pair<dev_t, ino_t>, 3>;
Identity identityOf(const std::string& home, const std::vector<std::string>& roots) {
    Identity identity{};
    const std::string* paths[] = {&home, &roots[0], &roots[1]};
    for (std::size_t i = 0; i < identity.size(); ++i) {
        struct stat status {};
        if (::stat(paths[i]->c_str(), &status) == 0)
            identity[i] = {status.st_dev, status.st_ino};
    }
    return identity;
}

// The mount table: the kernel marks it for poll() after each change of it, such as a mount
// over a day folder, which no watch reports.
class MountTable {
public:
    MountTable()
        : m_fd(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC)) {}
    ~MountTable() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    MountTable(const MountTable&) = delete;
    MountTable& operator=(const MountTable&) = delete;

    // Whether it changed since it was opened or last asked.
    bool changed() {
        pollfd polled{m_fd, POLLPRI, 0};
        return m_fd >= 0 && ::poll(&polled, 1, 0) > 0 && (polled.revents & (POLLERR | POLLPRI));
    }

private:
    int m_fd;
};

} // namespace

class ChangeWatch::Tree {
public:
    ~Tree() { closeAll(); }
    // false when the home cannot be watched now: the caller walks instead.
    bool update(const QString& home);
    const std::vector<Candidate>& sorted();
    bool hasSessionsFolder() const { return m_sessionsIsFolder; }
    bool watching = false;

private:
    struct Folder {
        int watch = -1;
        int depth = 0;
        std::vector<FolderEntry> entries;
    };
    bool start();
    void closeAll();
    bool drainEvents();
    void onEvent(const inotify_event& event);
    void rebuildRoots();
    void rescan(const std::string& path);
    void restat(const std::string& path);
    void addFolder(int fd, const std::string& path, int depth);
    void dropFolder(const std::string& path);
    void collect(const std::string& path, std::vector<Candidate>& out) const;

    QString m_home;
    std::vector<std::string> m_roots;
    Identity m_identity{};
    MountTable m_mounts;
    int m_fd = -1;
    int m_homeWatch = -1;
    // No notices for this home: walk until it, what it resolves to or the mount table changes.
    bool m_broken = false;
    bool m_lost = false; // start over at the next call
    bool m_rootsStale = true;
    bool m_sortedStale = true;
    bool m_sessionsIsFolder = false;
    std::map<std::string, Folder> m_folders;
    std::unordered_map<int, std::string> m_byWatch;
    std::set<std::string> m_staleFolders;
    std::set<std::string> m_staleFiles;
    std::vector<Candidate> m_sorted;
};

void ChangeWatch::Tree::closeAll() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = m_homeWatch = -1;
    m_folders.clear();
    m_byWatch.clear();
    m_staleFolders.clear();
    m_staleFiles.clear();
    m_lost = false;
    m_rootsStale = m_sortedStale = true;
}

bool ChangeWatch::Tree::start() {
    if (m_fd < 0)
        m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0) {
        m_broken = true;
        return false;
    }
    struct statfs system {};
    if (::statfs(QFile::encodeName(m_home).constData(), &system) == 0 &&
        !hasReliableNotices(system)) {
        m_broken = true;
        return false;
    }
    m_homeWatch = ::inotify_add_watch(m_fd, QFile::encodeName(m_home).constData(), homeEvents);
    if (m_homeWatch >= 0)
        return true;
    // A home that does not exist yet is looked for again at the next call.
    m_broken = errno != ENOENT && errno != ENOTDIR && errno != EACCES;
    return false;
}

bool ChangeWatch::Tree::update(const QString& home) {
    const std::vector<std::string> roots = sessionRoots(home);
    const std::string homePath = QFile::encodeName(home).toStdString();
    const Identity identity = identityOf(homePath, roots);
    // Checked on every call: neither a link retargeted nor a mount brings a notice.
    const bool mountsChanged = m_mounts.changed();
    if (home != m_home || identity != m_identity || mountsChanged) {
        closeAll();
        m_home = home;
        m_roots = roots;
        m_identity = identity;
        m_broken = false;
    }
    if (m_lost || !drainEvents() || m_lost)
        closeAll();
    if (!m_broken && m_homeWatch < 0)
        start();
    if (!m_broken && m_homeWatch >= 0) {
        if (m_rootsStale)
            rebuildRoots();
        for (const std::string& file : std::exchange(m_staleFiles, {}))
            restat(file);
        for (const std::string& folder : std::exchange(m_staleFolders, {}))
            rescan(folder);
    }
    if (m_broken)
        closeAll();
    watching = !m_broken && !m_lost && m_homeWatch >= 0;
    return watching;
}

bool ChangeWatch::Tree::drainEvents() {
    if (m_fd < 0)
        return true;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t length = ::read(m_fd, buffer, sizeof buffer);
        if (length < 0 && errno == EINTR)
            continue;
        if (length <= 0)
            return length == 0 || errno == EAGAIN;
        for (ssize_t at = 0; at < length;) {
            const auto& event = *reinterpret_cast<const inotify_event*>(buffer + at);
            if (event.mask & IN_Q_OVERFLOW)
                return false; // events were lost: one full walk rebuilds everything
            onEvent(event);
            at += ssize_t(sizeof(inotify_event) + event.len);
        }
    }
}

void ChangeWatch::Tree::onEvent(const inotify_event& event) {
    const bool gone = event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED);
    if (event.wd == m_homeWatch) {
        const std::string_view name = event.len ? event.name : "";
        m_lost = m_lost || gone;
        m_rootsStale =
            m_rootsStale || name.empty() || name == "sessions" || name == "archived_sessions";
        return;
    }
    const auto found = m_byWatch.find(event.wd);
    if (found == m_byWatch.end())
        return;
    const std::string path = found->second;
    if (gone) {
        const bool isRoot = std::find(m_roots.begin(), m_roots.end(), path) != m_roots.end();
        m_rootsStale = m_rootsStale || isRoot;
        dropFolder(path);
        if (!isRoot)
            m_staleFolders.insert(parentOf(path));
    } else if (event.len == 0) {
        m_staleFolders.insert(path); // its own permissions changed
    } else if (!ignored(event)) {
        const std::string entry = path + '/' + event.name;
        const bool written = event.mask & (IN_MODIFY | IN_ATTRIB);
        if (written && !(event.mask & IN_ISDIR))
            m_staleFiles.insert(entry);
        else if (written && m_folders.contains(entry))
            m_staleFolders.insert(entry);
        else
            m_staleFolders.insert(path);
    }
}

void ChangeWatch::Tree::rebuildRoots() {
    for (const std::string& root : m_roots)
        dropFolder(root);
    m_staleFolders.clear();
    m_staleFiles.clear();
    m_rootsStale = false;
    m_sessionsIsFolder = QFileInfo(QFile::decodeName(m_roots.front().c_str())).isDir();
    for (const std::string& root : m_roots)
        if (const int fd = openSessionRoot(root); fd >= 0)
            addFolder(fd, root, 0);
}

void ChangeWatch::Tree::addFolder(int fd, const std::string& path, int depth) {
    struct statfs system {};
    if (::fstatfs(fd, &system) == 0 && !hasReliableNotices(system)) {
        m_broken = m_lost = true;
        ::close(fd);
        return;
    }
    // The roots may be symlinks; a folder below them never is, as the walk never enters one.
    const std::uint32_t follow = depth == 0 ? 0 : IN_DONT_FOLLOW;
    const int watch = ::inotify_add_watch(m_fd, path.c_str(), folderEvents | follow);
    // The limit of watches reached, or the same folder met twice (a bind mount, roots that
    // link into each other): the walk takes over.
    if (watch < 0 || m_byWatch.contains(watch)) {
        m_broken = m_broken || watch >= 0 || errno == ENOSPC || errno == ENOMEM;
        m_lost = true;
        ::close(fd);
        return;
    }
    m_byWatch.emplace(watch, path);
    // Watched first, then read: a file created in between is both listed and reported.
    Folder& folder = m_folders[path] = Folder{watch, depth, readFolder(fd, path)};
    const std::vector<FolderEntry> entries = folder.entries;
    for (const FolderEntry& entry : entries) {
        if (!entry.isFolder || depth >= deepestFolder)
            continue;
        if (const int child = openSubfolder(fd, entry.name); child >= 0)
            addFolder(child, path + '/' + entry.name, depth + 1);
    }
    ::close(fd);
    m_sortedStale = true;
}

void ChangeWatch::Tree::dropFolder(const std::string& path) {
    const auto found = m_folders.find(path);
    if (found == m_folders.end())
        return;
    const Folder folder = std::move(found->second);
    m_folders.erase(found);
    m_byWatch.erase(folder.watch);
    ::inotify_rm_watch(m_fd, folder.watch); // fails harmlessly when the kernel dropped it
    for (const FolderEntry& entry : folder.entries)
        if (entry.isFolder)
            dropFolder(path + '/' + entry.name);
    m_sortedStale = true;
}

void ChangeWatch::Tree::rescan(const std::string& path) {
    const auto found = m_folders.find(path);
    if (found == m_folders.end())
        return;
    const int depth = found->second.depth;
    const int fd =
        depth == 0
            ? openSessionRoot(path)
            : ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    std::vector<FolderEntry> entries = fd >= 0 ? readFolder(fd, path) : std::vector<FolderEntry>{};
    std::set<std::string> kept;
    for (const FolderEntry& entry : entries)
        if (entry.isFolder)
            kept.insert(entry.name);
    for (const FolderEntry& entry : found->second.entries)
        if (entry.isFolder && !kept.contains(entry.name))
            dropFolder(path + '/' + entry.name);
    m_folders[path].entries = entries;
    for (const FolderEntry& entry : entries) {
        const std::string child = path + '/' + entry.name;
        if (!entry.isFolder || depth >= deepestFolder || m_folders.contains(child))
            continue;
        if (const int childFd = openSubfolder(fd, entry.name); childFd >= 0)
            addFolder(childFd, child, depth + 1);
    }
    if (fd >= 0)
        ::close(fd);
    m_sortedStale = true;
}

void ChangeWatch::Tree::restat(const std::string& path) {
    const std::string parent = parentOf(path);
    const auto folder = m_folders.find(parent);
    if (folder == m_folders.end())
        return;
    struct stat status {};
    for (FolderEntry& entry : folder->second.entries) {
        if (entry.isFolder || entry.file.path() != path)
            continue;
        if (::lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
            break;
        entry.file.key.modified = modificationTime(status);
        entry.file.key.size = static_cast<std::uint64_t>(status.st_size);
        m_sortedStale = true;
        return;
    }
    rescan(parent); // not listed, or no longer a regular file
}

void ChangeWatch::Tree::collect(const std::string& path, std::vector<Candidate>& out) const {
    const auto folder = m_folders.find(path);
    if (folder == m_folders.end())
        return;
    for (const FolderEntry& entry : folder->second.entries) {
        if (entry.isFolder)
            collect(path + '/' + entry.name, out);
        else
            out.push_back(entry.file);
    }
}

const std::vector<Candidate>& ChangeWatch::Tree::sorted() {
    if (m_sortedStale) {
        m_sorted.clear();
        for (const std::string& root : m_roots)
            collect(root, m_sorted);
        sortNewestFirst(m_sorted);
        m_sortedStale = false;
    }
    return m_sorted;
}

ChangeWatch::ChangeWatch()
    : m_tree(std::make_unique<Tree>()) {}
ChangeWatch::~ChangeWatch() = default;

std::vector<Candidate> ChangeWatch::newest(const QString& codexHome, std::size_t count) {
    if (!m_tree->update(codexHome)) {
        std::vector<Candidate> found = findCandidates(codexHome);
        found.resize(std::min(count, found.size()));
        return found;
    }
    const std::vector<Candidate>& sorted = m_tree->sorted();
    return {sorted.begin(), sorted.begin() + std::ptrdiff_t(std::min(count, sorted.size()))};
}

bool ChangeWatch::hasSessionsFolder(const QString& codexHome) {
    if (m_tree->update(codexHome))
        return m_tree->hasSessionsFolder();
    return QFileInfo(codexHome + QStringLiteral("/sessions")).isDir();
}

bool ChangeWatch::isWatching() const {
    return m_tree->watching;
}

} // namespace tallyglass
