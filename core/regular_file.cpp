#include "regular_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace tallyglass {
namespace {

FileStamp stampOf(const struct stat& status) {
    return {true,
            std::int64_t(status.st_size),
            std::int64_t(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec,
            mode_t(status.st_mode & 07777),
            status.st_dev,
            status.st_ino};
}

// A write takes well under a second; a temporary file ten minutes old belongs to a run that
// was killed. Removing it from under a run that was merely stopped only fails that run's write.
constexpr time_t staleAfterSeconds = 10 * 60;

void removeStaleTemporaries(const std::string& folder, const std::string& prefix) {
    DIR* entries = ::opendir(folder.c_str());
    if (!entries)
        return;
    const time_t now = ::time(nullptr);
    while (const dirent* entry = ::readdir(entries)) {
        struct stat info {};
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0 &&
            ::fstatat(::dirfd(entries), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && now - info.st_mtime > staleAfterSeconds)
            ::unlinkat(::dirfd(entries), entry->d_name, 0);
    }
    ::closedir(entries);
}

// The file a write replaces: a link's final target, so that the link stays. Empty for a link
// to nowhere, which would otherwise create a file wherever it points.
std::string replacedPath(const char* path) {
    struct stat status {};
    if (::lstat(path, &status) != 0 || !S_ISLNK(status.st_mode))
        return path;
    char resolved[PATH_MAX];
    return ::realpath(path, resolved) ? resolved : std::string();
}

struct Temporary {
    std::string path;
    int fd = -1;
};

// Private while it is written when it replaces a file, whose mode it then takes; a new file
// gets the mode the umask gives.
Temporary createTemporary(const std::string& target, bool replacing) {
    Temporary temporary;
    for (int attempt = 0; attempt < 100 && temporary.fd < 0; ++attempt) {
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, ".tmp-%d-%lx", int(::getpid()),
                      static_cast<unsigned long>(now.tv_nsec) + unsigned(attempt));
        temporary.path = target + suffix;
        temporary.fd = ::open(temporary.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                              replacing ? 0600 : 0666);
        if (temporary.fd < 0 && errno != EEXIST)
            break;
    }
    return temporary;
}

bool writeAll(WriteSteps& steps, int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put = steps.write(fd, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        bytes.remove_prefix(std::size_t(put));
    }
    return true;
}

bool fill(Temporary& temporary, std::string_view bytes, const struct stat* replaced,
          const AtomicWrite& how, WriteSteps& steps) {
    const bool filled = (!replaced || ::fchmod(temporary.fd, replaced->st_mode & 07777) == 0) &&
                        writeAll(steps, temporary.fd, bytes) &&
                        (!how.sync || ::fsync(temporary.fd) == 0);
    const bool closed = ::close(temporary.fd) == 0 || errno == EINTR;
    return filled && closed;
}

WriteResult renamedOrRemoved(const Temporary& temporary, const std::string& target) {
    if (::rename(temporary.path.c_str(), target.c_str()) == 0)
        return WriteResult::written;
    ::unlink(temporary.path.c_str());
    return WriteResult::failed;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Where nothing was, the new file goes only where nothing is still.
WriteResult placeNew(const Temporary& temporary, const std::string& target, WriteSteps& steps) {
    steps.reached(WriteSteps::Step::checked, target);
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, temporary.path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) ==
        0)
        return WriteResult::written;
    const int error = errno;
    if (error != EINVAL && error != ENOSYS) {
        ::unlink(temporary.path.c_str());
        return error == EEXIST ? WriteResult::changedMeanwhile : WriteResult::failed;
    }
#endif
    struct stat status {};
    if (::lstat(target.c_str(), &status) == 0) {
        ::unlink(temporary.path.c_str());
        return WriteResult::changedMeanwhile;
    }
    return renamedOrRemoved(temporary, target);
}

// After the exchange the temporary name holds the file replaced, which must be the one checked,
// unchanged. Otherwise another program wrote in between, in place or by replacing the file: its
// file goes back (should that fail, it stays under the temporary name rather than being lost).
WriteResult confirmExchange(const Temporary& temporary, const std::string& target, int held,
                            const struct stat& checked) {
    struct stat replaced {};
    struct stat now {};
    if (::lstat(temporary.path.c_str(), &replaced) == 0 && sameFile(replaced, checked) &&
        ::fstat(held, &now) == 0 && stampOf(now) == stampOf(checked)) {
        ::unlink(temporary.path.c_str());
        return WriteResult::written;
    }
    ::rename(temporary.path.c_str(), target.c_str());
    return WriteResult::changedMeanwhile;
}

// Replaces the file checked, and only it: the check comes a moment before an exchange of the
// two files, which then shows what was replaced.
WriteResult replaceChecked(const Temporary& temporary, const std::string& target,
                           const FileStamp& expected, WriteSteps& steps) {
    const int held = ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat checked {};
    if (held < 0 || ::fstat(held, &checked) != 0 || stampOf(checked) != expected) {
        if (held >= 0)
            ::close(held);
        ::unlink(temporary.path.c_str());
        return WriteResult::changedMeanwhile;
    }
    steps.reached(WriteSteps::Step::checked, target);
    WriteResult result = WriteResult::failed;
#ifdef RENAME_EXCHANGE
    if (::renameat2(AT_FDCWD, temporary.path.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) ==
        0) {
        steps.reached(WriteSteps::Step::replaced, target);
        result = confirmExchange(temporary, target, held, checked);
    } else if (errno != EINVAL && errno != ENOSYS) {
        ::unlink(temporary.path.c_str());
    } else
#endif
    {
        // A file system that cannot exchange: the check stays as close as it can.
        result = renamedOrRemoved(temporary, target);
    }
    ::close(held);
    return result;
}

} // namespace

ssize_t WriteSteps::write(int fd, const void* bytes, std::size_t length) {
    return ::write(fd, bytes, length);
}

void WriteSteps::reached(Step, const std::string&) {}

WriteSteps& WriteSteps::system() {
    static WriteSteps steps;
    return steps;
}

int openRegularFile(const char* path, struct stat* status) {
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::fstat(fd, status) != 0 || !S_ISREG(status->st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

FileStamp fileStamp(const char* path) {
    struct stat status {};
    if (::stat(path, &status) != 0)
        return {};
    return stampOf(status);
}

RegularFileRead readRegularFile(const char* path, std::size_t maxBytes) {
    struct stat status {};
    const int fd = openRegularFile(path, &status);
    if (fd < 0) {
        // A link to nowhere is not absent: writing through it would create a file elsewhere.
        const bool absent = errno == ENOENT && ::lstat(path, &status) != 0;
        return {
            absent ? RegularFileRead::Status::absent : RegularFileRead::Status::refused, {}, {}};
    }
    RegularFileRead result{RegularFileRead::Status::refused, {}, stampOf(status)};
    // One byte past the limit tells a file that grew since fstat apart.
    std::string bytes(std::min<std::size_t>(std::size_t(status.st_size), maxBytes) + 1, '\0');
    std::size_t used = 0;
    bool failed = false;
    for (;;) {
        if (used == bytes.size()) {
            if (used > maxBytes)
                break;
            bytes.resize(std::min(used * 2, maxBytes + 1));
        }
        const ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (got < 0 && errno == EINTR)
            continue;
        failed = got < 0;
        if (got <= 0)
            break;
        used += std::size_t(got);
    }
    ::close(fd);
    if (!failed && used > maxBytes)
        errno = EFBIG;
    if (!failed && used <= maxBytes) {
        bytes.resize(used);
        result.status = RegularFileRead::Status::read;
        result.bytes = std::move(bytes);
    }
    return result;
}

WriteResult writeFileAtomically(const char* path, std::string_view bytes, const AtomicWrite& how) {
    WriteSteps& steps = how.steps ? *how.steps : WriteSteps::system();
    const std::string target = replacedPath(path);
    struct stat existing {};
    const bool replacing = !target.empty() && ::stat(target.c_str(), &existing) == 0;
    // A file the user may not write stays as it is, as a direct write would leave it.
    if (target.empty() ||
        (replacing && (S_ISDIR(existing.st_mode) || ::access(target.c_str(), W_OK) != 0)))
        return WriteResult::failed;
    Temporary temporary = createTemporary(target, replacing);
    if (temporary.fd < 0)
        return WriteResult::failed;
    if (!fill(temporary, bytes, replacing ? &existing : nullptr, how, steps)) {
        ::unlink(temporary.path.c_str());
        return WriteResult::failed;
    }
    steps.reached(WriteSteps::Step::synced, target);
    const WriteResult result = !how.expected ? renamedOrRemoved(temporary, target)
                               : how.expected->exists
                                   ? replaceChecked(temporary, target, *how.expected, steps)
                                   : placeNew(temporary, target, steps);
    const std::size_t slash = target.rfind('/');
    removeStaleTemporaries(slash == std::string::npos ? "." : target.substr(0, slash + 1),
                           target.substr(slash + 1) + ".tmp-");
    return result;
}

} // namespace tallyglass
