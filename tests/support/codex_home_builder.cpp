#include "codex_home_builder.h"

#include "temp_home.h"

#include <QDateTime>
#include <QFile>

#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>

namespace tallyglass::testing {
namespace {

constexpr std::string_view vocabulary[] = {
    "the",   "build", "test",  "file",   "change",  "function", "error",  "return",
    "value", "cache", "parse", "module", "session", "update",   "window", "reading"};

QDateTime utc(double seconds) {
    return QDateTime::fromMSecsSinceEpoch(std::llround(seconds * 1000), Qt::UTC);
}

OrderedJson usage(std::uint64_t input, std::uint64_t output) {
    return {{"input_tokens", input},
            {"cached_input_tokens", input * 85 / 100},
            {"output_tokens", output},
            {"reasoning_output_tokens", output / 2},
            {"total_tokens", input + output}};
}

} // namespace

std::string codexTimestamp(double seconds) {
    return utc(seconds).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ")).toStdString();
}

OrderedJson rateLimits(double primaryPercent, double secondaryPercent, double eventTime) {
    const auto window = [eventTime](double percent, int minutes, double resetsAfter) {
        return OrderedJson{{"used_percent", percent},
                           {"window_minutes", minutes},
                           {"resets_at", std::llround(eventTime + resetsAfter)}};
    };
    return {{"primary", window(primaryPercent, 300, 3600)},
            {"secondary", window(secondaryPercent, 10080, 3 * 86400)},
            {"credits", {{"has_credits", false}, {"unlimited", false}, {"balance", "0"}}},
            {"plan_type", "plus"}};
}

std::string tokenCountLine(const std::string& timestamp, const OrderedJson& limits) {
    const OrderedJson info = {{"total_token_usage", usage(84213, 2954)},
                              {"last_token_usage", usage(21877, 611)},
                              {"model_context_window", 272000}};
    return OrderedJson{
        {"timestamp", timestamp},
        {"type", "event_msg"},
        {"payload", {{"type", "token_count"}, {"info", info}, {"rate_limits", limits}}}}
        .dump();
}

std::string tokenCountLine(double eventTime, double primaryPercent, double secondaryPercent) {
    return tokenCountLine(codexTimestamp(eventTime),
                          rateLimits(primaryPercent, secondaryPercent, eventTime));
}

RolloutWriter::RolloutWriter(double startTime, std::uint32_t seed)
    : m_clock(startTime)
    , m_random(seed) {}

double RolloutWriter::tick() {
    return m_clock += 0.5 + double(m_random() % 4000) / 1000.0;
}

void RolloutWriter::append(const std::string& type, const OrderedJson& payload) {
    const OrderedJson line{
        {"timestamp", codexTimestamp(tick())}, {"type", type}, {"payload", payload}};
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

RolloutWriter& RolloutWriter::turnContext(const std::string& model) {
    append("turn_context", {{"cwd", "/home/user/src/project"},
                            {"sandbox_policy", {{"type", "workspace-write"}}},
                            {"model", model},
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
    (m_text += tokenCountLine(m_clock, m_primary, m_secondary)) += '\n';
    return *this;
}

RolloutWriter& RolloutWriter::turnsUntil(std::size_t totalBytes, std::size_t eventSpacing,
                                         bool withEvents) {
    // A request's summaries, call and event take about 2.4 KB besides reasoning and output;
    // the rest of the spacing is split between those two, varying by half either way.
    const std::size_t free = eventSpacing > 2'600 ? eventSpacing - 2'400 : 200;
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

CodexHomeBuilder::CodexHomeBuilder(QString root)
    : m_root(std::move(root)) {}

QString CodexHomeBuilder::rolloutName(double startTime) {
    return QStringLiteral("rollout-%1-019af3c2-7c1e-7e21-9d4a-%2.jsonl")
        .arg(utc(startTime).toString(QStringLiteral("yyyy-MM-ddTHH-mm-ss")))
        .arg(++m_serial, 12, 16, QLatin1Char('0'));
}

QString CodexHomeBuilder::addSession(double startTime, const std::string& content,
                                     std::int64_t modified) {
    const QString folder = utc(startTime).toString(QStringLiteral("yyyy/MM/dd"));
    return addFile("sessions/" + folder + '/' + rolloutName(startTime), content, modified);
}

QString CodexHomeBuilder::addArchived(double startTime, const std::string& content,
                                      std::int64_t modified) {
    return addFile("archived_sessions/" + rolloutName(startTime), content, modified);
}

QString CodexHomeBuilder::addFile(const QString& relative, const std::string& content,
                                  std::int64_t modified) {
    const QString path = m_root + u'/' + relative;
    const bool written = writeFile(path, QByteArray::fromStdString(content));
    return written && setModificationTime(path, modified) ? path : QString();
}

bool setModificationTime(const QString& path, std::int64_t seconds, long nanoseconds) {
    const timespec times[2] = {{time_t(seconds), nanoseconds}, {time_t(seconds), nanoseconds}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

} // namespace tallyglass::testing
