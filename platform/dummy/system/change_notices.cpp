#include "change_watch.h"

#include <QFileInfo>

namespace tallyglass {

class ChangeWatch::Tree {};

ChangeWatch::ChangeWatch() = default;
ChangeWatch::~ChangeWatch() = default;

std::vector<Candidate> ChangeWatch::newest(const QString& codexHome, std::size_t count) {
    std::vector<Candidate> found = findCandidates(codexHome);
    if (found.size() > count)
        found.resize(count);
    return found;
}

bool ChangeWatch::hasSessionsFolder(const QString& codexHome) {
    return QFileInfo(codexHome + QStringLiteral("/sessions")).isDir();
}

bool ChangeWatch::isWatching() const {
    return false;
}

} // namespace tallyglass
