#include "file_access.h"

#include "home_directory.h"

#include <QFile>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace tallyglass {
namespace {

std::mutex faultsMutex;
WriteFaults faults;

// Whether this write is the one a test asked to fail; counts it either way.
std::pair<bool, std::function<void(const QString&)>> takeFault(int* error) {
    const std::lock_guard lock(faultsMutex);
    const bool fail = faults.failingWrite > 0 && --faults.failingWrite == 0;
    *error = faults.error;
    return {fail, faults.beforeReplace};
}

FileStamp stampOf(const struct stat& status) {
    return {true, qint64(status.st_size),
            qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec,
            status.st_mode & 07777};
}

bool writeAll(QSaveFile& file, QByteArrayView bytes, bool failHalfway, int error) {
    if (failHalfway) {
        file.write(bytes.data(), bytes.size() / 2);
        errno = error;
        return false;
    }
    return file.write(bytes.data(), bytes.size()) == bytes.size() && file.flush();
}

} // namespace

QString homeFolderPath() {
    return QFile::decodeName(QByteArray::fromStdString(homeDirectory()));
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

FileStamp fileStamp(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return stampOf(status);
}

FileRead readRegularFile(const QString& path, qint64 maxBytes) {
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    const int fd = openRegularFile(name.constData(), &status);
    if (fd < 0) {
        // A link to nowhere is not absent: writing through it would create a file elsewhere.
        const bool absent = errno == ENOENT && ::lstat(name.constData(), &status) != 0;
        return {absent ? FileRead::Status::absent : FileRead::Status::refused, {}, {}};
    }
    FileRead result{FileRead::Status::refused, {}, stampOf(status)};
    // One byte past the limit tells a file that grew since fstat apart.
    QByteArray bytes(qMin<qint64>(status.st_size, maxBytes) + 1, Qt::Uninitialized);
    qint64 used = 0;
    bool failed = false;
    for (;;) {
        if (used == bytes.size()) {
            if (used > maxBytes)
                break;
            bytes.resize(qMin<qint64>(used * 2, maxBytes + 1));
        }
        const ssize_t got = ::read(fd, bytes.data() + used, std::size_t(bytes.size() - used));
        if (got < 0 && errno == EINTR)
            continue;
        failed = got < 0;
        if (got <= 0)
            break;
        used += got;
    }
    ::close(fd);
    if (!failed && used <= maxBytes) {
        bytes.truncate(used);
        result.status = FileRead::Status::read;
        result.bytes = std::move(bytes);
    }
    return result;
}

WriteResult writeFileAtomically(const QString& path, QByteArrayView bytes,
                                const FileStamp* expected) {
    int error = 0;
    const auto [failHalfway, beforeReplace] = takeFault(&error);
    QSaveFile file(path);
    // Unbuffered, so that every failed write(2) shows here: buffered, a full disk showed only
    // in commit()'s flush, and Qt 6.4 then renamed the empty temporary file over the target.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return WriteResult::failed;
    // QSaveFile copies the mode as the current user may use the file, so as root a read-only
    // file would gain owner-write.
    const FileStamp before = fileStamp(path);
    if ((before.exists && ::fchmod(file.handle(), before.mode) != 0) ||
        !writeAll(file, bytes, failHalfway, error)) {
        file.cancelWriting();
        return WriteResult::failed;
    }
    if (beforeReplace)
        beforeReplace(path);
    if (expected && fileStamp(path) != *expected) {
        file.cancelWriting();
        return WriteResult::changedMeanwhile;
    }
    return file.commit() ? WriteResult::written : WriteResult::failed;
}

void setWriteFaultsForTesting(WriteFaults newFaults) {
    const std::lock_guard lock(faultsMutex);
    faults = std::move(newFaults);
}

} // namespace tallyglass
