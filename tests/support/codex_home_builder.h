#pragma once

#include <QString>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

namespace tallyglass::testing {

using OrderedJson = nlohmann::ordered_json;

// "2025-12-08T16:20:44.907Z": UTC with three fractional digits, as Codex stamps its lines.
std::string codexTimestamp(double seconds);

// A current "rate_limits": windows of five hours and a week resetting an hour and three days
// after eventTime, credits and the plan "plus".
OrderedJson rateLimits(double primaryPercent, double secondaryPercent, double eventTime);

// One "token_count" event line, without line feed.
std::string tokenCountLine(const std::string& timestamp, const OrderedJson& limits);
// The same at eventTime with rateLimits(primaryPercent, secondaryPercent, eventTime).
std::string tokenCountLine(double eventTime, double primaryPercent, double secondaryPercent);

// Lays out a Codex home: sessions/YYYY/MM/DD/rollout-YYYY-MM-DDThh-mm-ss-<uuid>.jsonl named
// after the session's start (UTC), and a flat archived_sessions/. Every file gets the
// modification time it is given; each add returns the file's path, empty on failure.
class CodexHomeBuilder {
public:
    explicit CodexHomeBuilder(QString root);

    const QString& root() const { return m_root; }

    QString addSession(double startTime, const std::string& content, std::int64_t modified,
                       bool archived = false);
    QString addFile(const QString& relative, const std::string& content, std::int64_t modified);

private:
    QString m_root;
    std::uint32_t m_serial = 0;
};

// Sets a file's modification time to the nanosecond; false on failure.
bool setModificationTime(const QString& path, std::int64_t seconds, long nanoseconds = 0);

} // namespace tallyglass::testing
