#include "desktop_entry.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tallyglass {

QString installedDesktopEntry(const QString& executableDir) {
    // Resolved as text: the file system would not resolve "bin/.." for a missing bin.
    const QString besideProgram =
        QDir::cleanPath(executableDir + QStringLiteral("/../share/applications/") +
                        QLatin1String(desktopEntryFile));
    if (QFileInfo(besideProgram).isFile())
        return besideProgram;
    return QStandardPaths::locate(QStandardPaths::ApplicationsLocation,
                                  QLatin1String(desktopEntryFile));
}

QString installedIconThemePath(const QString& executableDir) {
    const QString icons = QDir::cleanPath(executableDir + QStringLiteral("/../share/icons"));
    const QString icon = icons + QStringLiteral("/hicolor/scalable/apps/") +
                         QLatin1String(symbolicIconName) + QStringLiteral(".svg");
    return QFileInfo(icon).isFile() ? icons : QString();
}

} // namespace tallyglass
