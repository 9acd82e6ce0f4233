#pragma once

#include <QString>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <random>
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

// Writes a session log in Codex's format with realistic sizes: a long "session_meta" first
// line, "turn_context" lines naming the model, reasoning with KBs of encrypted content, tool
// outputs up to about 10 KB, and "token_count" events. Deterministic for a seed; each line
// advances the writer's clock by 0.5 to 4.5 seconds.
class RolloutWriter {
public:
    explicit RolloutWriter(double startTime = 1765209600.0, std::uint32_t seed = 1);

    RolloutWriter& sessionMeta(std::size_t instructionBytes = 14'000);
    RolloutWriter& turnContext(const std::string& model = "gpt-5.1-codex");
    // A model request: reasoning and a tool call of about these many bytes.
    RolloutWriter& request(std::size_t bytes);
    // An event at the writer's clock; its percentages creep up from one event to the next.
    RolloutWriter& tokenCount();
    // Whole turns until the log holds totalBytes, an event about every eventSpacing bytes
    // unless withEvents is false.
    RolloutWriter& turnsUntil(std::size_t totalBytes, std::size_t eventSpacing = 4'096,
                              bool withEvents = true);

    double clock() const { return m_clock; }
    const std::string& text() const { return m_text; }

private:
    double tick();
    void append(const std::string& type, const OrderedJson& payload);
    std::string words(std::size_t bytes);
    std::string encrypted(std::size_t bytes);

    std::string m_text;
    double m_clock;
    std::mt19937 m_random;
    double m_primary = 3.0;
    double m_secondary = 21.0;
};

// Lays out a Codex home: sessions/YYYY/MM/DD/rollout-YYYY-MM-DDThh-mm-ss-<uuid>.jsonl named
// after the session's start (UTC), and a flat archived_sessions/. Every file gets the
// modification time it is given; each add returns the file's path, empty on failure.
class CodexHomeBuilder {
public:
    explicit CodexHomeBuilder(QString root);

    const QString& root() const { return m_root; }

    QString addSession(double startTime, const std::string& content, std::int64_t modified);
    QString addArchived(double startTime, const std::string& content, std::int64_t modified);
    QString addFile(const QString& relative, const std::string& content, std::int64_t modified);

private:
    QString rolloutName(double startTime);

    QString m_root;
    std::uint32_t m_serial = 0;
};

// Sets a file's modification time to the nanosecond; false on failure.
bool setModificationTime(const QString& path, std::int64_t seconds, long nanoseconds = 0);

} // namespace tallyglass::testing
