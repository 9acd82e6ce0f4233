#pragma once

#include <QString>

#include <sys/stat.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace tallyglass {

using FileTime = std::chrono::sys_time<std::chrono::nanoseconds>;

// One state of one file: equal keys mean the same path, modification time (to the
// nanosecond) and size.
struct CacheKey {
    std::string path; // absolute, in the file system's own encoding
    FileTime modified;
    std::uint64_t size = 0;

    friend bool operator==(const CacheKey&, const CacheKey&) = default;
};

// A session log found by discovery, identified by the attributes read then.
struct Candidate {
    CacheKey key;

    const std::string& path() const { return key.path; }
};

// Every regular "*.jsonl" file under "sessions" and then "archived_sessions" of the home, at
// any depth, newest first. Hidden entries, the inside of hidden folders and of symlinked
// folders, and whatever cannot be read are left out. The sort is stable on the modification
// time alone, so on equal times "sessions" comes before "archived_sessions".
std::vector<Candidate> findCandidates(const QString& codexHome);

// The pieces of that walk, for keeping its result up to date folder by folder.

// Codex nests three levels (year, month, day); anything far deeper is a loop through a bind
// mount or a hostile tree, and each level holds a descriptor open.
inline constexpr int deepestFolder = 32;

// One visible entry of a session folder: a regular "*.jsonl" file, or a folder to enter.
struct FolderEntry {
    std::string name;
    bool isFolder = false;
    Candidate file; // of a file
};

// "sessions" and "archived_sessions" of the home, in that order.
std::vector<std::string> sessionRoots(const QString& codexHome);
// The two roots may be symlinks; folders below them are never followed. -1 on failure.
int openSessionRoot(const std::string& path);
int openSubfolder(int parent, const std::string& name);
// The entries of the open folder fd (named path) in the order the file system lists them,
// which is the walk's order. fd stays open.
std::vector<FolderEntry> readFolder(int fd, const std::string& path);
FileTime modificationTime(const struct stat& status);
// Newest first; stable, so equal times keep the walk's order.
void sortNewestFirst(std::vector<Candidate>& candidates);

} // namespace tallyglass
