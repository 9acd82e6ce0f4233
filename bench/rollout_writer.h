#pragma once

#include "support/codex_home_builder.h"

#include <cstdint>
#include <random>
#include <string>

namespace tallyglass::bench {

// Writes a session log in Codex's format with realistic sizes: a long "session_meta" first
// line, "turn_context" lines naming the model, reasoning with KBs of encrypted content, tool
// outputs up to about 10 KB, and "token_count" events. Deterministic for a seed; each line
// advances the writer's clock by 0.5 to 4.5 seconds.
class RolloutWriter {
public:
    RolloutWriter(double startTime, std::uint32_t seed);

    RolloutWriter& sessionMeta(std::size_t instructionBytes = 14'000);
    RolloutWriter& turnContext();
    // A model request: reasoning and a tool call of about these many bytes.
    RolloutWriter& request(std::size_t bytes);
    // An event at the writer's clock; its percentages creep up from one event to the next.
    RolloutWriter& tokenCount();
    // Whole turns until the log holds totalBytes, an event about every 4 KB unless withEvents
    // is false.
    RolloutWriter& turnsUntil(std::size_t totalBytes, bool withEvents);

    double clock() const { return m_clock; }
    const std::string& text() const { return m_text; }

private:
    double tick();
    void append(const std::string& type, const testing::OrderedJson& payload);
    std::string words(std::size_t bytes);
    std::string encrypted(std::size_t bytes);

    std::string m_text;
    double m_clock;
    std::mt19937 m_random;
    double m_primary = 3.0;
    double m_secondary = 21.0;
};

} // namespace tallyglass::bench
