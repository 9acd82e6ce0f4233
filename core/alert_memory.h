#pragma once

#include "pace.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tallyglass {

// What was said about one window of one assistant in the window's current period, and the
// readings its pace is judged from.
struct AlertPeriod {
    std::optional<double> resetsAt;
    int announced = 0;
    bool reachedFull = false;
    bool resetAnnounced = false;
    bool paceAnnounced = false;
    std::vector<PaceReading> readings = {};

    friend bool operator==(const AlertPeriod&, const AlertPeriod&) = default;
};

// Periods by "<source>/<window key>".
using AlertPeriods = std::map<std::string, AlertPeriod>;

// Where the alerts keep what they said across a restart, so nothing is said twice.
class AlertMemory {
public:
    virtual ~AlertMemory() = default;
    // What was kept; nothing when nothing usable was.
    virtual AlertPeriods load() = 0;
    // A failed write keeps what was kept before: the worst outcome is a warning said twice.
    virtual void save(const AlertPeriods& periods) = 0;
};

} // namespace tallyglass
