#include "installed_icons.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tallyglass {

QString installedIconThemePath(const QString& executableDir) {
    const QString icons =
        QDir::cleanPath(executableDir + QStringLiteral("/../share/tallyglass/icons"));
    const QString icon = icons + QStringLiteral("/hicolor/scalable/apps/") +
                         QLatin1String(symbolicIconName) + QStringLiteral(".svg");
    const bool complete = QFileInfo(icon).isFile() &&
                          QFileInfo(icons + QStringLiteral("/hicolor/index.theme")).isFile();
    return complete ? icons : QString();
}

} // namespace tallyglass
