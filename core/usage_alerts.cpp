#include "usage_alerts.h"

#include "window_labels.h"
#include "window_reset.h"

#include <cmath>

namespace tallyglass {
namespace {

// Codex states a reset as a delay from its event, so one period's reset time wanders by a
// second or two between readings.
constexpr double samePeriodSlack = 120;
constexpr double paceWarningAhead = 30 * 60;
// Periods that ended this long ago are forgotten when the memory is next written.
constexpr double forgottenAfter = 8 * 86400;

bool samePeriod(std::optional<double> a, std::optional<double> b) {
    if (!a || !b)
        return !a && !b;
    return std::abs(*a - *b) <= samePeriodSlack;
}

UsageAlert& say(std::vector<UsageAlert>& alerts, const UsageAlert& about, UsageAlert::Type type) {
    UsageAlert& alert = alerts.emplace_back(about);
    alert.type = type;
    return alert;
}

} // namespace

UsageAlerts::UsageAlerts(std::shared_ptr<AlertMemory> memory)
    : m_memory(std::move(memory)) {
    if (m_memory)
        m_periods = m_memory->load();
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

void UsageAlerts::save(double now) {
    // Only what is neither read nor due any more: a reading newer than a long-past reset time
    // (a log that never saw the reset) is still read at every refresh.
    std::erase_if(m_periods, [now](const auto& entry) {
        const Period& period = entry.second;
        const double lastRead = period.readings.empty() ? 0 : period.readings.back().at;
        return period.resetsAt && *period.resetsAt < now - forgottenAfter &&
               lastRead < now - forgottenAfter;
    });
    if (m_memory)
        m_memory->save(m_periods);
}

} // namespace tallyglass
