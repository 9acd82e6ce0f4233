#include "platform/system/script_runner_path.h"

#include <QCoreApplication>
#include <QDir>

namespace tallyglass {

// Installed into the same folder as the app, in the build tree and once installed.
QString scriptRunnerPath() {
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(QStringLiteral("tallyglass-jsrunner"));
}

} // namespace tallyglass
