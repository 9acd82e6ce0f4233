#include "watch_preferences.h"

#include "user_defaults.h"

#include <QStringList>

#include <algorithm>

namespace tallyglass {
namespace {

const QString warningsKey = QStringLiteral("warnings/enabled");
const QString thresholdsKey = QStringLiteral("warnings/thresholds");
const QString paceKey = QStringLiteral("pace/enabled");
const QString bothInTrayKey = QStringLiteral("tray/bothAssistants");

bool storedFlag(const QSettings& settings, const QString& key, bool fallback) {
    const QVariant value = settings.value(key);
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    const QString text = value.toString();
    if (text == QLatin1String("true") || text == QLatin1String("false"))
        return text == QLatin1String("true");
    return fallback;
}

} // namespace

std::vector<int> cleanThresholds(std::vector<int> thresholds) {
    std::erase_if(thresholds, [](int value) { return value < 1 || value > 100; });
    std::sort(thresholds.begin(), thresholds.end());
    thresholds.erase(std::unique(thresholds.begin(), thresholds.end()), thresholds.end());
    if (thresholds.size() > mostThresholds)
        thresholds.resize(mostThresholds);
    return thresholds;
}

WatchPreferences loadWatchPreferences() {
    WatchPreferences preferences;
    const auto settings = userDefaults();
    if (!settings)
        return preferences;
    preferences.warnings = storedFlag(*settings, warningsKey, preferences.warnings);
    preferences.pace = storedFlag(*settings, paceKey, preferences.pace);
    preferences.bothInTray = storedFlag(*settings, bothInTrayKey, preferences.bothInTray);
    if (settings->contains(thresholdsKey)) {
        std::vector<int> stored;
        for (const QString& text : settings->value(thresholdsKey).toStringList()) {
            bool ok = false;
            if (const int value = text.trimmed().toInt(&ok); ok)
                stored.push_back(value);
        }
        if (!(stored = cleanThresholds(std::move(stored))).empty())
            preferences.thresholds = std::move(stored);
    }
    return preferences;
}

void storeWatchPreferences(const WatchPreferences& preferences) {
    const auto settings = userDefaults();
    if (!settings)
        return;
    settings->setValue(warningsKey, preferences.warnings);
    QStringList thresholds;
    for (int value : preferences.thresholds)
        thresholds << QString::number(value);
    settings->setValue(thresholdsKey, thresholds);
    settings->setValue(paceKey, preferences.pace);
    settings->setValue(bothInTrayKey, preferences.bothInTray);
    settings->sync();
}

} // namespace tallyglass
