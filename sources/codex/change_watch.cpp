#include "change_watch.h"

#include "platform/system/change_notices.h"
#include "platform/system/mount_table.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <utility>

namespace tallyglass {
namespace {

using Scope = ChangeNotices::Scope;

std::string parentOf(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}

// Names the walk would pass over without a look: hidden ones, and files not "*.jsonl".
bool ignored(const ChangeNotices::Notice& notice) {
    const std::string_view name(notice.name);
    return name.starts_with('.') ||
           (!notice.isFolder && (name.size() <= 6 || !name.ends_with(".jsonl")));
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
    void onNotice(const ChangeNotices::Notice& notice);
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
    ChangeNotices m_notices;
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
    m_notices.close();
    m_homeWatch = -1;
    m_folders.clear();
    m_byWatch.clear();
    m_staleFolders.clear();
    m_staleFiles.clear();
    m_lost = false;
    m_rootsStale = m_sortedStale = true;
}

bool ChangeWatch::Tree::start() {
    const std::string home = QFile::encodeName(m_home).toStdString();
    if (!m_notices.open() || !bringsChangeNotices(home)) {
        m_broken = true;
        return false;
    }
    // Codex keeps busy files of its own in its home (history, logs): only names that are roots
    // matter there, and writes to files never do.
    m_homeWatch = m_notices.watch(home, Scope::namesOnly, true);
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
    if (m_lost || !m_notices.drain([this](const auto& notice) { onNotice(notice); }) || m_lost)
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

void ChangeWatch::Tree::onNotice(const ChangeNotices::Notice& notice) {
    const std::string& name = notice.name;
    if (notice.watch == m_homeWatch) {
        m_lost = m_lost || notice.gone;
        m_rootsStale =
            m_rootsStale || name.empty() || name == "sessions" || name == "archived_sessions";
        return;
    }
    const auto found = m_byWatch.find(notice.watch);
    if (found == m_byWatch.end())
        return;
    const std::string path = found->second;
    if (notice.gone) {
        const bool isRoot = std::find(m_roots.begin(), m_roots.end(), path) != m_roots.end();
        m_rootsStale = m_rootsStale || isRoot;
        dropFolder(path);
        if (!isRoot)
            m_staleFolders.insert(parentOf(path));
    } else if (name.empty()) {
        m_staleFolders.insert(path); // its own permissions changed
    } else if (!ignored(notice)) {
        const std::string entry = path + '/' + name;
        if (notice.written && !notice.isFolder)
            m_staleFiles.insert(entry);
        else if (notice.written && m_folders.contains(entry))
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
    if (!bringsChangeNotices(fd)) {
        m_broken = m_lost = true;
        ::close(fd);
        return;
    }
    // The roots may be symlinks; a folder below them never is, as the walk never enters one.
    const int watch = m_notices.watch(path, Scope::withWrites, depth == 0);
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
    m_notices.unwatch(folder.watch);
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
