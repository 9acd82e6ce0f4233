#include "state_folder.h"

#include "file_access.h"

#include <QDir>

namespace tallyglass {

QString stateFolderPath() {
    // The base directory rules ignore a relative value.
    const QString configured = qEnvironmentVariable("XDG_STATE_HOME");
    const QString base = QDir::isAbsolutePath(configured)
                             ? configured
                             : homeFolderPath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(base + QStringLiteral("/tallyglass"));
}

} // namespace tallyglass
