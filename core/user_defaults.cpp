#include "user_defaults.h"

#include "home_directory.h"

#include <QFileInfo>

namespace tallyglass {

std::unique_ptr<QSettings> userDefaults() {
    const QString config = QString::fromStdString(configDirectory());
    const QFileInfo file(config + QStringLiteral("/Tallyglass/Tallyglass.conf"));
    if (config.isEmpty() || (file.exists() && !file.isFile()))
        return nullptr;
    auto settings = std::make_unique<QSettings>(file.filePath(), QSettings::IniFormat);
    // Another Tallyglass process (a second start with a command) may have written meanwhile.
    settings->sync();
    return settings;
}

SourceId storedActiveSource() {
    const auto defaults = userDefaults();
    const QString stored = defaults ? defaults->value(activeSourceKey).toString() : QString();
    return sourceIdFromStored(stored.toStdString()).value_or(SourceId());
}

} // namespace tallyglass
