#include "pace.h"

#include <cmath>

namespace tallyglass {
namespace {

constexpr double shortestHistory = 10 * 60;
// The pace of the last hour: long enough to smooth single readings, short enough to follow a
// change of work.
constexpr double recentSpan = 60 * 60;
constexpr double closestReadings = 60;

} // namespace

std::optional<double> paceForecast(const std::vector<PaceReading>& readings) {
    if (readings.size() < 2)
        return std::nullopt;
    const PaceReading& last = readings.back();
    if (!std::isfinite(last.percentage) || last.percentage >= 100 ||
        last.percentage < readings[readings.size() - 2].percentage)
        return std::nullopt;
    // The oldest reading of the last hour at least ten minutes back; without one, the newest
    // reading older than that.
    const PaceReading* oldestRecent = nullptr;
    const PaceReading* newestOlder = nullptr;
    for (const PaceReading& reading : readings) {
        const double age = last.at - reading.at;
        if (age < shortestHistory)
            break;
        if (age > recentSpan)
            newestOlder = &reading;
        else if (!oldestRecent)
            oldestRecent = &reading;
    }
    const PaceReading* first = oldestRecent ? oldestRecent : newestOlder;
    if (!first || !(last.percentage > first->percentage))
        return std::nullopt;
    const double perSecond = (last.percentage - first->percentage) / (last.at - first->at);
    const double forecast = last.at + (100 - last.percentage) / perSecond;
    return std::isfinite(forecast) ? std::optional(forecast) : std::nullopt;
}

bool addPaceReading(std::vector<PaceReading>& readings, PaceReading reading) {
    if (!std::isfinite(reading.at) || !std::isfinite(reading.percentage) ||
        (!readings.empty() && reading.at <= readings.back().at))
        return false;
    const std::size_t count = readings.size();
    if (count >= 2 && reading.at - readings[count - 2].at < closestReadings) {
        readings.back() = reading;
        return false;
    }
    readings.push_back(reading);
    if (readings.size() > mostPaceReadings)
        readings.erase(readings.begin());
    return true;
}

} // namespace tallyglass
