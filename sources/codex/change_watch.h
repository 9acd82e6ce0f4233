#pragma once

#include "session_discovery.h"

#include <QString>

#include <cstddef>
#include <memory>
#include <vector>

namespace tallyglass {

// The session files of the Codex home, kept up to date from the kernel's change notices where
// the platform has them, so that a refresh after which nothing changed touches no file;
// otherwise (no notices, a file system whose changes made elsewhere bring none, too many
// folders to watch, a lost notice queue) found by a walk at every call. The watch starts over
// for another home, when a link on the way to the logs points elsewhere, and when the mount
// table changes. Either way the answers are the walk's.
class ChangeWatch {
public:
    ChangeWatch();
    ~ChangeWatch();
    ChangeWatch(const ChangeWatch&) = delete;
    ChangeWatch& operator=(const ChangeWatch&) = delete;

    // The count first of findCandidates(codexHome).
    std::vector<Candidate> newest(const QString& codexHome, std::size_t count);
    // Whether the home's "sessions" is a folder.
    bool hasSessionsFolder(const QString& codexHome);
    // Whether the last call was answered from change notices.
    bool isWatching() const;

private:
    class Tree;
    std::unique_ptr<Tree> m_tree;
};

} // namespace tallyglass
