#include "state_folder.h"

#include "home_directory.h"

#include <QDir>

namespace tallyglass {

QString stateFolderPath() {
    const QString base = QString::fromStdString(stateDirectory());
    return base.isEmpty() ? QString() : QDir::cleanPath(base + QStringLiteral("/tallyglass"));
}

} // namespace tallyglass
