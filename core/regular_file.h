#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Reading and atomically replacing regular files, without Qt: the script runner, which starts
// on every status-line update, shares it with the app.
namespace tallyglass {

// Opens a regular file for reading without ever waiting: a FIFO or socket put in its place
// must not hold the caller in open(). -1 for anything else, errno telling why (ENOENT when
// nothing is there, EINVAL for what is not a regular file). Fills status on success.
int openRegularFile(const char* path, struct stat* status);

// What was at a path when it was read, to tell later whether someone wrote meanwhile.
struct FileStamp {
    bool exists = false;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    mode_t mode = 0;
    dev_t device = 0;
    ino_t inode = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
FileStamp fileStamp(const char* path);

struct RegularFileRead {
    enum class Status {
        read,
        absent,  // nothing at the path, not even a link
        refused, // not a regular file, a link to nowhere, unreadable, or over the size given
    };
    Status status = Status::refused;
    std::string bytes;
    FileStamp stamp;
};
RegularFileRead readRegularFile(const char* path, std::size_t maxBytes);

enum class WriteResult { written, failed, changedMeanwhile };

// Where an atomic write does its work, so that tests can fail a write as a full disk does or
// write as another program would at each step.
class WriteSteps {
public:
    enum class Step {
        synced,   // the new bytes are on disk, nothing checked yet
        checked,  // the target was found unchanged; the replacement comes next
        replaced, // the new file is in place; whether the one replaced was the one checked is not
                  // yet confirmed
    };
    virtual ~WriteSteps() = default;
    virtual ssize_t write(int fd, const void* bytes, std::size_t length);
    virtual void reached(Step step, const std::string& target);
    static WriteSteps& system();
};

struct AtomicWrite {
    // With a stamp, the write happens only over the file it describes (or where nothing is,
    // for a stamp of nothing); a file written by someone else meanwhile is kept and
    // changedMeanwhile returned.
    const FileStamp* expected = nullptr;
    // Waits until the bytes are on disk before they replace the target.
    bool sync = true;
    WriteSteps* steps = nullptr;
};

// Replaces the file at path with bytes through a temporary file in its folder. Every failed
// write leaves the target's earlier bytes and no temporary file; a link stays a link and the
// file it names is replaced, keeping its exact mode.
WriteResult writeFileAtomically(const char* path, std::string_view bytes,
                                const AtomicWrite& how = {});

} // namespace tallyglass
