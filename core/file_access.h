#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

#include <sys/stat.h>

namespace tallyglass {

// homeDirectory() as Qt names files.
QString homeFolderPath();

// Opens a regular file for reading without ever waiting: a FIFO or socket put in its place
// must not hold the caller in open(). -1 for anything else, errno telling why (ENOENT when
// nothing is there, EINVAL for what is not a regular file). Fills status on success.
int openRegularFile(const char* path, struct stat* status);

// What was at a path when it was read, to tell later whether someone wrote meanwhile.
struct FileStamp {
    bool exists = false;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    mode_t mode = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
FileStamp fileStamp(const QString& path);

struct FileRead {
    enum class Status {
        read,
        absent,  // nothing at the path, not even a link
        refused, // not a regular file, a link to nowhere, unreadable, or over the size given
    };
    Status status = Status::refused;
    QByteArray bytes;
    FileStamp stamp;
};
FileRead readRegularFile(const QString& path, qint64 maxBytes);

enum class WriteResult { written, failed, changedMeanwhile };

// Replaces the file at path with bytes through a temporary file in its folder. Every failed
// write cancels, so the target keeps its earlier bytes; a link stays a link, and the file keeps
// its exact mode. With an expected stamp, a file that no longer matches it just before the
// replacement is left as it is and changedMeanwhile returned.
WriteResult writeFileAtomically(const QString& path, QByteArrayView bytes,
                                const FileStamp* expected = nullptr);

// For tests: the nth atomic write from now (1 for the next) writes half its bytes and then
// fails with error, as a full disk does; 0 turns this off. beforeReplace runs just before each
// replacement, where a concurrent writer would strike.
struct WriteFaults {
    int failingWrite = 0;
    int error = 0;
    std::function<void(const QString& path)> beforeReplace;
};
void setWriteFaultsForTesting(WriteFaults faults);

} // namespace tallyglass
