#include "codex_home_builder.h"

#include "temp_home.h"

#include <QDateTime>
#include <QFile>
#include <QTimeZone>

#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>

namespace tallyglass::testing {
namespace {

QDateTime utc(double seconds) {
    return QDateTime::fromMSecsSinceEpoch(std::llround(seconds * 1000), QTimeZone::utc());
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
    // Token totals as Codex writes them beside its limits.
    static const OrderedJson info = OrderedJson::parse(
        R"({"total_token_usage":{"input_tokens":84213,"cached_input_tokens":71581,)"
        R"("output_tokens":2954,"reasoning_output_tokens":1477,"total_tokens":87167},)"
        R"("last_token_usage":{"input_tokens":21877,"cached_input_tokens":18595,)"
        R"("output_tokens":611,"reasoning_output_tokens":305,"total_tokens":22488},)"
        R"("model_context_window":272000})");
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

CodexHomeBuilder::CodexHomeBuilder(QString root)
    : m_root(std::move(root)) {}

QString CodexHomeBuilder::addSession(double startTime, const std::string& content,
                                     std::int64_t modified, bool archived) {
    const QDateTime start = utc(startTime);
    const QString folder = archived ? QStringLiteral("archived_sessions/")
                                    : start.toString(QStringLiteral("'sessions/'yyyy/MM/dd/"));
    const QString name = QStringLiteral("rollout-%1-019af3c2-7c1e-7e21-9d4a-%2.jsonl")
                             .arg(start.toString(QStringLiteral("yyyy-MM-ddTHH-mm-ss")))
                             .arg(++m_serial, 12, 16, QLatin1Char('0'));
    return addFile(folder + name, content, modified);
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
