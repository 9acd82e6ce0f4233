#include "alert_memory_file.h"

#include "core/file_access.h"
#include "core/state_folder.h"
#include "core/usage_alerts.h"

#include <nlohmann/json.hpp>

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace tallyglass {
namespace {

using Json = nlohmann::json;

constexpr qint64 largestStateFile = 1 << 20;

std::optional<double> finiteNumber(const Json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_number() || !std::isfinite(found->get<double>()))
        return std::nullopt;
    return found->get<double>();
}

bool flag(const Json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_boolean() && found->get<bool>();
}

std::vector<PaceReading> storedReadings(const Json& object) {
    std::vector<PaceReading> readings;
    const auto found = object.find("readings");
    if (found == object.end() || !found->is_array())
        return readings;
    for (const Json& item : *found) {
        if (!item.is_array() || item.size() != 2 || !item[0].is_number() || !item[1].is_number())
            continue;
        const PaceReading reading{item[0].get<double>(), item[1].get<double>()};
        if (std::isfinite(reading.at) && std::isfinite(reading.percentage) &&
            (readings.empty() || reading.at > readings.back().at))
            readings.push_back(reading);
    }
    if (readings.size() > mostPaceReadings)
        readings.erase(readings.begin(), readings.end() - mostPaceReadings);
    return readings;
}

AlertPeriod storedPeriod(const Json& value) {
    AlertPeriod period;
    period.resetsAt = finiteNumber(value, "resets_at");
    period.announced = int(std::clamp(finiteNumber(value, "announced").value_or(0), 0.0, 100.0));
    period.reachedFull = flag(value, "reached_full");
    period.resetAnnounced = flag(value, "reset_announced");
    period.paceAnnounced = flag(value, "pace_announced");
    period.readings = storedReadings(value);
    return period;
}

Json periodJson(const AlertPeriod& period) {
    Json readings = Json::array();
    for (const PaceReading& reading : period.readings)
        readings.push_back({reading.at, reading.percentage});
    Json value = {{"announced", period.announced},
                  {"reached_full", period.reachedFull},
                  {"reset_announced", period.resetAnnounced},
                  {"pace_announced", period.paceAnnounced},
                  {"readings", std::move(readings)}};
    if (period.resetsAt)
        value["resets_at"] = *period.resetsAt;
    return value;
}

} // namespace

AlertMemoryFile::AlertMemoryFile(QString path)
    : m_path(std::move(path)) {}

AlertPeriods AlertMemoryFile::load() {
    AlertPeriods periods;
    const FileRead file = readRegularFile(m_path, largestStateFile);
    if (file.status != FileRead::Status::read)
        return periods;
    const Json state = Json::parse(file.bytes.begin(), file.bytes.end(), nullptr, false);
    const auto windows = state.is_object() ? state.find("windows") : state.end();
    if (!state.is_object() || windows == state.end() || !windows->is_object())
        return periods;
    for (const auto& [id, value] : windows->items()) {
        if (value.is_object() && periods.size() < UsageAlerts::mostPeriods)
            periods.emplace(id, storedPeriod(value));
    }
    return periods;
}

void AlertMemoryFile::save(const AlertPeriods& periods) {
    Json windows = Json::object();
    for (const auto& [id, period] : periods)
        windows[id] = periodJson(period);
    // Window keys come from the assistants' files and may be any bytes.
    const std::string bytes =
        Json{{"windows", std::move(windows)}}.dump(1, '\t', false, Json::error_handler_t::replace);
    QDir().mkpath(QFileInfo(m_path).path());
    writeFileAtomically(m_path, QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

std::shared_ptr<AlertMemory> stateFolderAlertMemory() {
    const QString folder = stateFolderPath();
    if (folder.isEmpty())
        return nullptr;
    return std::make_shared<AlertMemoryFile>(folder + QStringLiteral("/alerts.json"));
}

} // namespace tallyglass
