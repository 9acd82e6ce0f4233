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
    "the",   "build",  "test",     "file",  "change", "function", "error",  "return",
    "value", "module", "refactor", "cache", "parse",  "session",  "update", "check",
    "path",  "config", "handler",  "retry", "limit",  "window",   "model",  "reading"};

QDateTime utc(double seconds) {
    return QDateTime::fromMSecsSinceEpoch(std::llround(seconds * 1000), Qt::UTC);
}

OrderedJson tokenUsage(std::uint64_t input, std::uint64_t output) {
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
    const auto resets = [eventTime](double after) { return std::llround(eventTime + after); };
    return {
        {"primary",
         {{"used_percent", primaryPercent}, {"window_minutes", 300}, {"resets_at", resets(3600)}}},
        {"secondary",
         {{"used_percent", secondaryPercent},
          {"window_minutes", 10080},
          {"resets_at", resets(3 * 86400)}}},
        {"credits", {{"has_credits", false}, {"unlimited", false}, {"balance", "0"}}},
        {"plan_type", "plus"}};
}

std::string tokenCountLine(const std::string& timestamp, const OrderedJson& limits) {
    const OrderedJson record = {{"timestamp", timestamp},
                                {"type", "event_msg"},
                                {"payload",
                                 {{"type", "token_count"},
                                  {"info",
                                   {{"total_token_usage", tokenUsage(84213, 2954)},
                                    {"last_token_usage", tokenUsage(21877, 611)},
                                    {"model_context_window", 272000}}},
                                  {"rate_limits", limits}}}};
    return record.dump();
}

RolloutWriter::RolloutWriter(double startTime, std::uint32_t seed)
    : m_clock(startTime)
    , m_random(seed) {}

std::string RolloutWriter::stamp() {
    m_clock += 0.5 + double(m_random() % 4000) / 1000.0;
    return codexTimestamp(m_clock);
}

void RolloutWriter::append(const OrderedJson& record) {
    m_text += record.dump();
    m_text += '\n';
}

RolloutWriter& RolloutWriter::line(const std::string& raw) {
    m_text += raw;
    m_text += '\n';
    return *this;
}

std::string RolloutWriter::words(std::size_t bytes) {
    std::string text;
    while (text.size() < bytes) {
        text += vocabulary[m_random() % std::size(vocabulary)];
        text += m_random() % 12 == 0 ? ".\n" : " ";
    }
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

std::string RolloutWriter::callId() {
    return "call_" + encrypted(24).substr(7);
}

RolloutWriter& RolloutWriter::sessionMeta(std::size_t instructionBytes) {
    const std::string id =
        "019af" + std::to_string(1000 + m_random() % 9000) + "-7c1e-7e21-9d4a-2f6b8c0d1e3a";
    append({{"timestamp", stamp()},
            {"type", "session_meta"},
            {"payload",
             {{"id", id},
              {"timestamp", codexTimestamp(m_clock)},
              {"cwd", "/home/user/src/project"},
              {"originator", "codex_cli_rs"},
              {"cli_version", "0.63.0"},
              {"instructions", nullptr},
              {"source", "cli"},
              {"model_provider", "openai"},
              {"base_instructions", {{"text", words(instructionBytes)}}},
              {"git",
               {{"commit_hash", "4f1c2a9e0b7d6c5a4f3e2d1c0b9a8f7e6d5c4b3a"},
                {"branch", "main"},
                {"repository_url", "git@github.com:example/project.git"}}}}}});
    return *this;
}

RolloutWriter& RolloutWriter::turnContext(const std::string& model) {
    append({{"timestamp", stamp()},
            {"type", "turn_context"},
            {"payload",
             {{"cwd", "/home/user/src/project"},
              {"approval_policy", "on-request"},
              {"sandbox_policy", {{"type", "workspace-write"}, {"network_access", false}}},
              {"model", model},
              {"effort", "medium"},
              {"summary", "auto"}}}});
    return *this;
}

RolloutWriter& RolloutWriter::userMessage(std::size_t bytes) {
    const std::string text = words(bytes);
    append({{"timestamp", stamp()},
            {"type", "response_item"},
            {"payload",
             {{"type", "message"},
              {"role", "user"},
              {"content", {{{"type", "input_text"}, {"text", text}}}}}}});
    append({{"timestamp", codexTimestamp(m_clock)},
            {"type", "event_msg"},
            {"payload",
             {{"type", "user_message"}, {"message", text}, {"images", OrderedJson::array()}}}});
    return *this;
}

RolloutWriter& RolloutWriter::reasoning(std::size_t encryptedBytes) {
    const std::string summary = "**Planning the change**\n\n" + words(200);
    append({{"timestamp", stamp()},
            {"type", "response_item"},
            {"payload",
             {{"type", "reasoning"},
              {"summary", {{{"type", "summary_text"}, {"text", summary}}}},
              {"content", nullptr},
              {"encrypted_content", encrypted(encryptedBytes)}}}});
    append({{"timestamp", codexTimestamp(m_clock)},
            {"type", "event_msg"},
            {"payload", {{"type", "agent_reasoning"}, {"text", summary}}}});
    return *this;
}

RolloutWriter& RolloutWriter::toolCall(std::size_t outputBytes) {
    const std::string id = callId();
    append(
        {{"timestamp", stamp()},
         {"type", "response_item"},
         {"payload",
          {{"type", "function_call"},
           {"name", "shell_command"},
           {"arguments", R"({"command":"rg -n \"cache\" src","workdir":"/home/user/src/project"})"},
           {"call_id", id}}}});
    append(
        {{"timestamp", stamp()},
         {"type", "response_item"},
         {"payload",
          {{"type", "function_call_output"},
           {"call_id", id},
           {"output", "Exit code: 0\nWall time: 0.2 seconds\nOutput:\n" + words(outputBytes)}}}});
    return *this;
}

RolloutWriter& RolloutWriter::assistantMessage(std::size_t bytes) {
    const std::string text = words(bytes);
    append({{"timestamp", stamp()},
            {"type", "response_item"},
            {"payload",
             {{"type", "message"},
              {"role", "assistant"},
              {"content", {{{"type", "output_text"}, {"text", text}}}}}}});
    append({{"timestamp", codexTimestamp(m_clock)},
            {"type", "event_msg"},
            {"payload", {{"type", "agent_message"}, {"message", text}}}});
    return *this;
}

RolloutWriter& RolloutWriter::compacted(std::size_t bytes) {
    append(
        {{"timestamp", stamp()}, {"type", "compacted"}, {"payload", {{"message", words(bytes)}}}});
    return *this;
}

RolloutWriter& RolloutWriter::tokenCount() {
    const std::string timestamp = stamp();
    m_primary = std::fmod(m_primary + 0.25, 100.0);
    m_secondary = std::fmod(m_secondary + 0.05, 100.0);
    return tokenCount(timestamp, rateLimits(m_primary, m_secondary, m_clock));
}

RolloutWriter& RolloutWriter::tokenCount(const std::string& timestamp, const OrderedJson& limits) {
    return line(tokenCountLine(timestamp, limits));
}

void RolloutWriter::setPercentages(double primary, double secondary) {
    m_primary = primary;
    m_secondary = secondary;
}

void RolloutWriter::modelRequest(std::size_t bytes, bool withEvent) {
    // Split the request's bytes between reasoning and a tool's output, varying by ±50 %.
    const std::size_t varied = bytes / 2 + m_random() % (bytes + 1);
    const std::size_t reasoningBytes = std::min<std::size_t>(varied * 2 / 5, 8'000);
    const std::size_t outputBytes = std::min<std::size_t>(varied - reasoningBytes, 10'000);
    reasoning(reasoningBytes);
    toolCall(outputBytes);
    if (withEvent)
        tokenCount();
}

RolloutWriter& RolloutWriter::turnsUntil(std::size_t totalBytes, std::size_t eventSpacing,
                                         bool withEvents) {
    // What a request's reasoning and tool output leave of the spacing once the fixed lines
    // (summaries, call, event) are counted.
    const std::size_t fixedBytes = 2'400;
    const std::size_t requestBytes =
        eventSpacing > fixedBytes + 200 ? eventSpacing - fixedBytes : 200;
    while (m_text.size() < totalBytes) {
        turnContext();
        userMessage();
        for (int request = 0; request < 8 && m_text.size() < totalBytes; ++request)
            modelRequest(requestBytes, withEvents);
        assistantMessage();
        if (withEvents)
            tokenCount();
    }
    return *this;
}

CodexHomeBuilder::CodexHomeBuilder(QString root)
    : m_root(std::move(root)) {}

QString CodexHomeBuilder::rolloutName(double startTime, std::uint32_t serial) {
    const QString stamp = utc(startTime).toString(QStringLiteral("yyyy-MM-ddTHH-mm-ss"));
    return QStringLiteral("rollout-%1-019af%2-7c1e-7e21-9d4a-2f6b8c0d1e3a.jsonl")
        .arg(stamp)
        .arg(serial, 3, 16, QLatin1Char('0'));
}

QString CodexHomeBuilder::addSession(double startTime, const std::string& content,
                                     std::int64_t modified) {
    const QString folder = utc(startTime).toString(QStringLiteral("yyyy/MM/dd"));
    return addFile(QStringLiteral("sessions/%1/%2").arg(folder, rolloutName(startTime, ++m_serial)),
                   content, modified);
}

QString CodexHomeBuilder::addArchived(double startTime, const std::string& content,
                                      std::int64_t modified) {
    return addFile(QStringLiteral("archived_sessions/") + rolloutName(startTime, ++m_serial),
                   content, modified);
}

QString CodexHomeBuilder::addFile(const QString& relative, const std::string& content,
                                  std::int64_t modified) {
    const QString path = m_root + u'/' + relative;
    if (!writeFile(path, QByteArray::fromStdString(content)) ||
        !setModificationTime(path, modified))
        return {};
    return path;
}

void CodexHomeBuilder::addManySessions(int count, int days, std::int64_t firstDay) {
    for (int i = 0; i < count; ++i) {
        const std::int64_t day = firstDay + std::int64_t(i % days) * 86400;
        const double start = double(day + 3600 + (i / days) * 600);
        RolloutWriter writer(start, std::uint32_t(i + 1));
        writer.sessionMeta(2'000).turnContext().userMessage().reasoning(1'500).tokenCount();
        addSession(start, writer.text(), std::int64_t(writer.clock()) + 1);
    }
}

bool setModificationTime(const QString& path, std::int64_t seconds, long nanoseconds) {
    const timespec times[2] = {{time_t(seconds), nanoseconds}, {time_t(seconds), nanoseconds}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

} // namespace tallyglass::testing
