#include "user_defaults.h"

#include "home_directory.h"

#include <QFileInfo>

namespace tallyglass {

std::unique_ptr<QSettings> userDefaults() {
    const QString config = QString::fromStdString(configDirectory());
    const QFileInfo file(config + QStringLiteral("/Tallyglass/Tallyglass.conf"));
    if (config.isEmpty() || (file.exists() && !file.isFile()))
        return nullptr;
    return std::make_unique<QSettings>(file.filePath(), QSettings::IniFormat);
}

} // namespace tallyglass
