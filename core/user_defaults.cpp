#include "user_defaults.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace tallyglass {

std::unique_ptr<QSettings> userDefaults() {
    const QFileInfo file(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         QStringLiteral("/Tallyglass/Tallyglass.conf"));
    if (file.exists() && !file.isFile())
        return nullptr;
    auto settings =
        std::make_unique<QSettings>(QStringLiteral("Tallyglass"), QStringLiteral("Tallyglass"));
    // Another Tallyglass process (a second start with a command) may have written meanwhile.
    settings->sync();
    return settings;
}

} // namespace tallyglass
