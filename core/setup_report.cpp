#include "setup_report.h"

#include "file_access.h"

#include <QCoreApplication>

namespace tallyglass {

QString displayPath(const QString& path) {
    const QString home = homeFolderPath();
    if (home.isEmpty() || home == QStringLiteral("/"))
        return path;
    if (path == home)
        return QStringLiteral("~");
    if (path.startsWith(home + u'/'))
        return u'~' + path.mid(home.size());
    return path;
}

QString setupProblemText(const SetupReport& report) {
    if (report.result != SetupReport::Result::failed)
        return {};
    const QString path = displayPath(report.path);
    using Problem = SetupReport::Problem;
    switch (report.problem) {
    case Problem::folderNotMade:
        return QCoreApplication::translate(
                   "SetupReport",
                   "Tallyglass could not add its status-line helper: the folder %1 could not be "
                   "created.")
            .arg(path);
    case Problem::notRegularFile:
        return QCoreApplication::translate(
                   "SetupReport",
                   "Tallyglass could not add its status-line helper: %1 is not a regular file.")
            .arg(path);
    case Problem::unreadable:
        return QCoreApplication::translate(
                   "SetupReport",
                   "Tallyglass could not add its status-line helper: %1 could not be read.")
            .arg(path);
    case Problem::tooLarge:
        return QCoreApplication::translate(
                   "SetupReport",
                   "Tallyglass could not add its status-line helper: %1 is larger than 16 MB.")
            .arg(path);
    case Problem::notJson:
        return QCoreApplication::translate(
                   "SetupReport",
                   "Tallyglass could not add its status-line helper: %1 is not valid JSON (line "
                   "%2, column %3).")
            .arg(path)
            .arg(report.line)
            .arg(report.column);
    case Problem::tooDeep:
        return QCoreApplication::translate(
                   "SetupReport",
                   "Tallyglass could not add its status-line helper: %1 is nested too deeply.")
            .arg(path);
    case Problem::notObject:
        return QCoreApplication::translate(
                   "SetupReport",
                   "Tallyglass could not add its status-line helper: %1 does not hold a JSON "
                   "object.")
            .arg(path);
    case Problem::readOnly:
        return QCoreApplication::translate(
                   "SetupReport",
                   "Tallyglass could not add its status-line helper: %1 is read-only.")
            .arg(path);
    case Problem::notWritten:
    case Problem::none:
        break;
    }
    return QCoreApplication::translate(
               "SetupReport",
               "Tallyglass could not add its status-line helper: %1 could not be written.")
        .arg(path);
}

QString setupAddedText(const SetupReport& report) {
    if (report.result != SetupReport::Result::added)
        return {};
    const QString path = displayPath(report.path);
    return report.ownCommandKept
               ? QCoreApplication::translate(
                     "SetupReport",
                     "Tallyglass added its status-line helper to %1; your own status line still "
                     "runs.")
                     .arg(path)
               : QCoreApplication::translate("SetupReport",
                                             "Tallyglass added its status-line helper to %1.")
                     .arg(path);
}

} // namespace tallyglass
