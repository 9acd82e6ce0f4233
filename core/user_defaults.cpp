#include "user_defaults.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace tallyglass {

std::unique_ptr<QSettings> userDefaults() {
    const QFileInfo file(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         QStringLiteral("/Tallyglass/Tallyglass.conf"));
    if (file.exists() && !file.isFile())
        return nullptr;
    return std::make_unique<QSettings>(QStringLiteral("Tallyglass"), QStringLiteral("Tallyglass"));
}

} // namespace tallyglass
