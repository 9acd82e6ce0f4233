#pragma once

#include <QString>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <random>
#include <string>

namespace tallyglass::testing {

using OrderedJson = nlohmann::ordered_json;

// "2025-12-08T16:20:44.907Z": UTC with three fractional digits, as Codex stamps its lines.
std::string codexTimestamp(double seconds);

// A current "rate_limits" object: percentages, window lengths of five hours and a week,
// absolute reset times an hour and three days after eventTime, credits and a plan.
OrderedJson rateLimits(double primaryPercent, double secondaryPercent, double eventTime);

// One whole "token_count" event line (no line feed) with token totals, for the given
// "rate_limits" value (which may be anything, even null).
std::string tokenCountLine(const std::string& timestamp, const OrderedJson& limits);

// Writes a session log line by line in Codex's format, with realistic sizes: a long
// "session_meta" first line, "turn_context" lines naming the model, reasoning with several KB
// of encrypted content, tool outputs up to about 10 KB and "token_count" events. Deterministic
// for a given seed. Every appended line ends with a line feed.
class RolloutWriter {
public:
    explicit RolloutWriter(double startTime = 1765209600.0, std::uint32_t seed = 1);

    RolloutWriter& sessionMeta(std::size_t instructionBytes = 14'000);
    RolloutWriter& turnContext(const std::string& model = "gpt-5.1-codex");
    RolloutWriter& userMessage(std::size_t bytes = 300);
    RolloutWriter& reasoning(std::size_t encryptedBytes);
    RolloutWriter& toolCall(std::size_t outputBytes);
    RolloutWriter& assistantMessage(std::size_t bytes = 600);
    RolloutWriter& compacted(std::size_t bytes = 3'000);
    // An event stamped with the writer's clock, with the writer's current percentages.
    RolloutWriter& tokenCount();
    RolloutWriter& tokenCount(const std::string& timestamp, const OrderedJson& limits);
    RolloutWriter& line(const std::string& raw);

    // Whole user turns until the log holds at least totalBytes: a turn context, a request,
    // then model requests each ending in a token_count event about every eventSpacing bytes.
    // With withEvents false the same traffic is written without any event.
    RolloutWriter& turnsUntil(std::size_t totalBytes, std::size_t eventSpacing = 4'096,
                              bool withEvents = true);

    // The percentages of the next events; they creep up by themselves with each one.
    void setPercentages(double primary, double secondary);
    double clock() const { return m_clock; }
    std::string eventTimestampNow() const { return codexTimestamp(m_clock); }

    const std::string& text() const { return m_text; }
    std::size_t size() const { return m_text.size(); }

private:
    std::string stamp();
    void append(const OrderedJson& record);
    void modelRequest(std::size_t bytes, bool withEvent);
    std::string words(std::size_t bytes);
    std::string encrypted(std::size_t bytes);
    std::string callId();

    std::string m_text;
    double m_clock;
    std::mt19937 m_random;
    double m_primary = 3.0;
    double m_secondary = 21.0;
    std::uint64_t m_totalTokens = 0;
};

// Lays out a Codex home: dated folders sessions/YYYY/MM/DD with files named
// rollout-YYYY-MM-DDThh-mm-ss-<uuid>.jsonl after their start (UTC), and a flat
// archived_sessions/. Every file gets the modification time it is given.
class CodexHomeBuilder {
public:
    explicit CodexHomeBuilder(QString root);

    const QString& root() const { return m_root; }

    QString addSession(double startTime, const std::string& content, std::int64_t modified);
    QString addArchived(double startTime, const std::string& content, std::int64_t modified);
    // Any file under the home, for the odd cases.
    QString addFile(const QString& relative, const std::string& content, std::int64_t modified);

    // count small but complete sessions (meta, context, a request, an event) spread evenly
    // over days dated folders, starting at firstDay; modification times all differ.
    void addManySessions(int count, int days, std::int64_t firstDay);

private:
    static QString rolloutName(double startTime, std::uint32_t serial);

    QString m_root;
    std::uint32_t m_serial = 0;
};

// Sets a file's modification time to the nanosecond; false on failure.
bool setModificationTime(const QString& path, std::int64_t seconds, long nanoseconds = 0);

} // namespace tallyglass::testing
