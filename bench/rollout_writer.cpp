#include "rollout_writer.h"

#include <algorithm>
#include <cmath>

namespace tallyglass::bench {
namespace {

using testing::OrderedJson;

constexpr std::string_view vocabulary[] = {
    "the",   "build", "test",  "file",   "change",  "function", "error",  "return",
    "value", "cache", "parse", "module", "session", "update",   "window", "reading"};

} // namespace

RolloutWriter::RolloutWriter(double startTime, std::uint32_t seed)
    : m_clock(startTime)
    , m_random(seed) {}

double RolloutWriter::tick() {
    return m_clock += 0.5 + double(m_random() % 4000) / 1000.0;
}

void RolloutWriter::append(const std::string& type, const OrderedJson& payload) {
    const OrderedJson line{
        {"timestamp", testing::codexTimestamp(tick())}, {"type", type}, {"payload", payload}};
    m_text += line.dump() + '\n';
}

std::string RolloutWriter::words(std::size_t bytes) {
    std::string text;
    while (text.size() < bytes)
        (text += vocabulary[m_random() % std::size(vocabulary)]) += m_random() % 12 ? " " : ".\n";
    return text;
}

std::string RolloutWriter::encrypted(std::size_t bytes) {
    static constexpr char base64[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text = "gAAAAAB";
    while (text.size() < bytes)
        text += base64[m_random() % 64];
    return text;
}

RolloutWriter& RolloutWriter::sessionMeta(std::size_t instructionBytes) {
    append("session_meta", {{"id", "019af3c2-7c1e-7e21-9d4a-" + encrypted(19).substr(7)},
                            {"cwd", "/home/user/src/project"},
                            {"cli_version", "0.63.0"},
                            {"base_instructions", {{"text", words(instructionBytes)}}}});
    return *this;
}

RolloutWriter& RolloutWriter::turnContext() {
    append("turn_context", {{"cwd", "/home/user/src/project"},
                            {"sandbox_policy", {{"type", "workspace-write"}}},
                            {"model", "gpt-5.1-codex"},
                            {"effort", "medium"}});
    return *this;
}

RolloutWriter& RolloutWriter::request(std::size_t bytes) {
    const std::size_t reasoningBytes = std::min<std::size_t>(bytes * 2 / 5, 8'000);
    append("response_item", {{"type", "reasoning"},
                             {"summary", {{{"type", "summary_text"}, {"text", words(200)}}}},
                             {"encrypted_content", encrypted(reasoningBytes)}});
    const std::string id = "call_" + encrypted(31).substr(7);
    append("response_item", {{"type", "function_call"},
                             {"name", "shell_command"},
                             {"arguments", R"({"command":"rg -n \"cache\" src"})"},
                             {"call_id", id}});
    const std::size_t outputBytes = std::min<std::size_t>(bytes - bytes * 2 / 5, 10'000);
    append("response_item",
           {{"type", "function_call_output"}, {"call_id", id}, {"output", words(outputBytes)}});
    return *this;
}

RolloutWriter& RolloutWriter::tokenCount() {
    tick();
    m_primary = std::fmod(m_primary + 0.25, 100.0);
    m_secondary = std::fmod(m_secondary + 0.05, 100.0);
    (m_text += testing::tokenCountLine(m_clock, m_primary, m_secondary)) += '\n';
    return *this;
}

RolloutWriter& RolloutWriter::turnsUntil(std::size_t totalBytes, bool withEvents) {
    // A request's summaries, call and event take about 2.4 KB besides reasoning and output;
    // the rest of the 4 KB is split between those two, varying by half either way.
    constexpr std::size_t free = 4'096 - 2'400;
    for (int turn = 1; m_text.size() < totalBytes; ++turn) {
        turnContext();
        append("response_item", {{"type", "message"}, {"text", words(300)}});
        for (int request = 0; request < 8 && m_text.size() < totalBytes; ++request) {
            this->request(free / 2 + m_random() % (free + 1));
            if (withEvents)
                tokenCount();
        }
        append("response_item", {{"type", "message"}, {"text", words(500)}});
        if (turn % 10 == 0)
            append("compacted", {{"message", words(3'000)}});
    }
    return *this;
}

} // namespace tallyglass::bench
