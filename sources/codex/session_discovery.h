#pragma once

#include <QString>

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

} // namespace tallyglass
