#include "file_access.h"

#include "home_directory.h"

#include <QFile>

namespace tallyglass {

QString homeFolderPath() {
    return QFile::decodeName(QByteArray::fromStdString(homeDirectory()));
}

FileStamp fileStamp(const QString& path) {
    return fileStamp(QFile::encodeName(path).constData());
}

FileRead readRegularFile(const QString& path, qint64 maxBytes) {
    RegularFileRead read = readRegularFile(QFile::encodeName(path).constData(),
                                           std::size_t(qMax<qint64>(maxBytes, 0)));
    return {read.status, QByteArray::fromStdString(read.bytes), read.stamp};
}

WriteResult writeFileAtomically(const QString& path, QByteArrayView bytes,
                                const FileStamp* expected, WriteSteps* steps) {
    return writeFileAtomically(QFile::encodeName(path).constData(),
                               std::string_view(bytes.data(), std::size_t(bytes.size())),
                               AtomicWrite{expected, true, steps});
}

} // namespace tallyglass
