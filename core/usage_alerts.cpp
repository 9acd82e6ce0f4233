#include "usage_alerts.h"

#include "file_access.h"
#include "window_labels.h"
#include "window_reset.h"

#include <nlohmann/json.hpp>

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace tallyglass {
namespace {

using Json = nlohmann::json;

// Codex states a reset as a delay from its event, so one period's reset time wanders by a
// second or two between readings.
constexpr double samePeriodSlack = 120;
constexpr double paceWarningAhead = 30 * 60;
// Periods that ended this long ago are forgotten when the memory is next written.
constexpr double forgottenAfter = 8 * 86400;
constexpr qint64 largestStateFile = 1 << 20;

bool samePeriod(std::optional<double> a, std::optional<double> b) {
    if (!a || !b)
        return !a && !b;
    return std::abs(*a - *b) <= samePeriodSlack;
}

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

UsageAlert& say(std::vector<UsageAlert>& alerts, const UsageAlert& about, UsageAlert::Type type) {
    UsageAlert& alert = alerts.emplace_back(about);
    alert.type = type;
    return alert;
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

} // namespace

UsageAlerts::UsageAlerts(QString statePath)
    : m_path(std::move(statePath)) {
    load();
}

std::vector<UsageAlert> UsageAlerts::observe(const SourceId& source, const UsageSnapshot& snapshot,
                                             double now, const WatchPreferences& preferences) {
    std::vector<UsageAlert> alerts;
    if (!std::isfinite(snapshot.updatedAt))
        return alerts;
    bool changed = false;
    std::size_t watched = 0;
    for (const LabeledWindow& entry : labeledWindows(snapshot)) {
        const auto& percentage = entry.window.usedPercentage;
        if (!percentage || !std::isfinite(*percentage))
            continue;
        if (++watched > mostWindows)
            break;
        const std::string id = storedForm(source) + '/' + entry.key;
        changed |= observeWindow(id, entry, snapshot.updatedAt, now, preferences, alerts, source);
    }
    if (changed)
        save(now);
    return alerts;
}

bool UsageAlerts::observeWindow(const std::string& id, const LabeledWindow& entry,
                                double readingTime, double now, const WatchPreferences& preferences,
                                std::vector<UsageAlert>& alerts, const SourceId& source) {
    UsageWindow window = entry.window;
    // A reset time that is no number (a sum of infinities in a log) would start a new period,
    // and a write, at every reading.
    if (window.resetsAt && !std::isfinite(*window.resetsAt))
        window.resetsAt.reset();
    const UsageAlert about{UsageAlert::Type::threshold, source,          entry.label,
                           *window.usedPercentage,      window.resetsAt, 0};
    auto found = m_periods.find(id);
    if (hasResetSince(window, readingTime, now)) {
        // A reading from a period that is over can only tell that it is over; it starts no
        // memory of its own.
        if (found == m_periods.end() || !samePeriod(found->second.resetsAt, window.resetsAt) ||
            !found->second.reachedFull || found->second.resetAnnounced || !preferences.warnings)
            return false;
        say(alerts, about, UsageAlert::Type::reset);
        found->second.resetAnnounced = true;
        return true;
    }
    bool changed = false;
    if (found == m_periods.end()) {
        if (m_periods.size() >= mostPeriods)
            return false;
        found = m_periods.emplace(id, Period{window.resetsAt}).first;
        changed = true;
    }
    Period& period = found->second;
    if (!samePeriod(period.resetsAt, window.resetsAt)) {
        if (period.reachedFull && !period.resetAnnounced && preferences.warnings &&
            period.resetsAt && *period.resetsAt <= now + samePeriodSlack)
            say(alerts, about, UsageAlert::Type::reset);
        period = Period{window.resetsAt};
        changed = true;
    }
    return observeInPeriod(period, about, readingTime, now, preferences, alerts) || changed;
}

bool UsageAlerts::observeInPeriod(Period& period, const UsageAlert& about, double readingTime,
                                  double now, const WatchPreferences& preferences,
                                  std::vector<UsageAlert>& alerts) {
    const double percentage = about.percentage;
    bool changed = false;
    if (percentage >= 100 && !period.reachedFull) {
        period.reachedFull = true;
        changed = true;
    }
    if (preferences.warnings) {
        int crossed = 0;
        for (int threshold : preferences.thresholds)
            crossed = percentage >= threshold ? threshold : crossed;
        if (crossed > period.announced) {
            say(alerts, about, UsageAlert::Type::threshold);
            period.announced = crossed;
            changed = true;
        }
    }
    changed |= addPaceReading(period.readings, {readingTime, percentage});
    if (preferences.pace && !period.paceAnnounced) {
        const auto full = forecast(period, about.resetsAt, now);
        if (full && *full - now <= paceWarningAhead) {
            say(alerts, about, UsageAlert::Type::pace).fullAt = *full;
            period.paceAnnounced = true;
            changed = true;
        }
    }
    return changed;
}

std::optional<double> UsageAlerts::forecast(const Period& period, std::optional<double> resetsAt,
                                            double now) {
    const auto full = tallyglass::paceForecast(period.readings);
    if (!full || *full <= now || (resetsAt && *full >= *resetsAt))
        return std::nullopt;
    return full;
}

std::optional<double> UsageAlerts::paceForecast(const SourceId& source, const std::string& key,
                                                const UsageWindow& window, double readingTime,
                                                double now) const {
    const auto found = m_periods.find(storedForm(source) + '/' + key);
    if (found == m_periods.end() || !samePeriod(found->second.resetsAt, window.resetsAt) ||
        hasResetSince(window, readingTime, now))
        return std::nullopt;
    return forecast(found->second, window.resetsAt, now);
}

void UsageAlerts::load() {
    const FileRead file = readRegularFile(m_path, largestStateFile);
    if (file.status != FileRead::Status::read)
        return;
    const Json state = Json::parse(file.bytes.begin(), file.bytes.end(), nullptr, false);
    const auto windows = state.is_object() ? state.find("windows") : state.end();
    if (!state.is_object() || windows == state.end() || !windows->is_object())
        return;
    for (const auto& [id, value] : windows->items()) {
        if (!value.is_object() || m_periods.size() >= mostPeriods)
            continue;
        Period period;
        period.resetsAt = finiteNumber(value, "resets_at");
        period.announced =
            int(std::clamp(finiteNumber(value, "announced").value_or(0), 0.0, 100.0));
        period.reachedFull = flag(value, "reached_full");
        period.resetAnnounced = flag(value, "reset_announced");
        period.paceAnnounced = flag(value, "pace_announced");
        period.readings = storedReadings(value);
        m_periods.emplace(id, std::move(period));
    }
}

void UsageAlerts::save(double now) {
    // Only what is neither read nor due any more: a reading newer than a long-past reset time
    // (a log that never saw the reset) is still read at every refresh.
    std::erase_if(m_periods, [now](const auto& entry) {
        const Period& period = entry.second;
        const double lastRead = period.readings.empty() ? 0 : period.readings.back().at;
        return period.resetsAt && *period.resetsAt < now - forgottenAfter &&
               lastRead < now - forgottenAfter;
    });
    Json windows = Json::object();
    for (const auto& [id, period] : m_periods) {
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
        windows[id] = std::move(value);
    }
    // Window keys come from the assistants' files and may be any bytes.
    const std::string bytes =
        Json{{"windows", std::move(windows)}}.dump(1, '\t', false, Json::error_handler_t::replace);
    // A failed write keeps the earlier memory; the worst outcome is a warning said twice.
    QDir().mkpath(QFileInfo(m_path).path());
    writeFileAtomically(m_path, QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

} // namespace tallyglass
