#pragma once

#include "regular_file.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The file work of regular_file.h for paths and bytes as Qt holds them.
namespace tallyglass {

// homeDirectory() as Qt names files.
QString homeFolderPath();

FileStamp fileStamp(const QString& path);

struct FileRead {
    using Status = RegularFileRead::Status;
    Status status = Status::refused;
    QByteArray bytes;
    FileStamp stamp;
};
FileRead readRegularFile(const QString& path, qint64 maxBytes);

WriteResult writeFileAtomically(const QString& path, QByteArrayView bytes,
                                const FileStamp* expected = nullptr, WriteSteps* steps = nullptr);

} // namespace tallyglass
