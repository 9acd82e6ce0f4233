#include "installed_icons.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tallyglass {

QString installedIconThemePath(const QString& executableDir) {
    const QString icons = QDir::cleanPath(executableDir + QStringLiteral("/../share/icons"));
    const QString icon = icons + QStringLiteral("/hicolor/scalable/apps/") +
                         QLatin1String(symbolicIconName) + QStringLiteral(".svg");
    return QFileInfo(icon).isFile() ? icons : QString();
}

} // namespace tallyglass
