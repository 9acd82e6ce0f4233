#include "status_line.h"

#include "reading_report.h"

#include "core/rounding.h"
#include "core/usage_model.h"
#include "core/usage_tone.h"
#include "core/window_labels.h"
#include "core/window_reset.h"
#include "ui/date_texts.h"
#include "ui/source_switch.h"
#include "ui/usage_bar.h"
#include "ui/usage_row.h"

#include <QCoreApplication>

#include <algorithm>

namespace tallyglass {
namespace {

// Everything a line is made of, worked out once.
struct LineParts {
    QString summary;      // "42% · 17%", or "no data"
    QString shortSummary; // the first figure alone
    QString details;      // a line per window, and how old a stale reading is
    QString oneLine;      // the name and every window on one line
    std::optional<double> highest;
    bool stale = false;
};

QString qtText(const std::string& text) {
    return QString::fromStdString(text);
}

// A limit family's name is the assistant's text and may hold a line break.
QString singleLine(QString text) {
    for (QChar& character : text)
        if (character.category() == QChar::Other_Control || character == QChar::LineSeparator ||
            character == QChar::ParagraphSeparator)
            character = u' ';
    return text;
}

LineParts lineParts(const SourceReading& reading, double now) {
    LineParts parts;
    const QString name = displayName(reading.kind);
    parts.summary = parts.shortSummary = percentText(std::nullopt);
    QStringList details{name}, windows;
    if (reading.snapshot) {
        const auto& snapshot = *reading.snapshot;
        const auto labeled = windowsAsOf(labeledWindows(snapshot), snapshot.updatedAt, now);
        const auto figures = summaryPercentages(labeled);
        if (!figures.empty()) {
            parts.summary = qtText(*menuBarSummary(labeled));
            parts.shortSummary = percentText(figures.front());
            parts.highest = *std::max_element(figures.begin(), figures.end());
        }
        for (const LabeledWindow& entry : labeled) {
            const QString figure =
                qtText(entry.label) + u' ' + percentText(entry.window.usedPercentage);
            windows << figure;
            details << (entry.window.resetsAt
                            ? figure + QStringLiteral(" \u00B7 ") +
                                  resetText(*entry.window.resetsAt, now, entry.hasReset)
                            : figure);
        }
        parts.stale = UsageModel::isStale(snapshot, now);
        if (parts.stale)
            details << updatedText(snapshot.updatedAt, now);
    } else {
        windows << (reading.available
                        ? percentText(std::nullopt)
                        : QCoreApplication::translate("tallyglass::MenuView", "%1 not found")
                              .arg(name));
        details << windows.constLast();
    }
    parts.details = details.join(u'\n');
    parts.oneLine = name + QStringLiteral(": ") + windows.join(QStringLiteral(", "));
    if (parts.stale)
        parts.oneLine += QStringLiteral(" (") + details.constLast() + u')';
    parts.oneLine = singleLine(parts.oneLine);
    return parts;
}

// The panel's colour for the highest figure, as on a dark bar: "#30DB5B".
std::string toneColour(const LineParts& parts) {
    return usageColor(parts.highest, true).name().toUpper().toStdString();
}

// waybar reads its text and tooltip as Pango markup.
std::string markupEscaped(const QString& text) {
    return text.toHtmlEscaped().toStdString();
}

std::string waybarLine(const LineParts& parts) {
    // In the order of UsageTone.
    static const char* const classes[] = {"no-data", "normal", "warning", "critical"};
    nlohmann::ordered_json tone = classes[int(usageTone(parts.highest))];
    if (parts.stale)
        tone = {tone, "stale"};
    const nlohmann::ordered_json line = {
        {"text", markupEscaped(parts.summary)},
        {"tooltip", markupEscaped(parts.details)},
        {"class", tone},
        {"percentage", wholePercentage(clampedBarValue(parts.highest))}};
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string i3blocksLines(const LineParts& parts, bool following) {
    if (!following)
        return (parts.summary + u'\n' + parts.shortSummary).toStdString() + '\n' +
               toneColour(parts);
    const nlohmann::ordered_json line = {{"full_text", parts.summary.toStdString()},
                                         {"short_text", parts.shortSummary.toStdString()},
                                         {"color", toneColour(parts)}};
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string polybarLine(const LineParts& parts) {
    return "%{F" + toneColour(parts) + '}' + parts.summary.toStdString() + "%{F-}";
}

} // namespace

std::optional<LineFormat> lineFormatNamed(const QString& name) {
    static const std::pair<const char*, LineFormat> formats[] = {{"text", LineFormat::text},
                                                                 {"json", LineFormat::json},
                                                                 {"waybar", LineFormat::waybar},
                                                                 {"i3blocks", LineFormat::i3blocks},
                                                                 {"polybar", LineFormat::polybar}};
    for (const auto& [formatName, format] : formats)
        if (name == QLatin1String(formatName))
            return format;
    return std::nullopt;
}

std::string statusLine(LineFormat format, const SourceReading& reading, double now,
                       bool following) {
    if (format == LineFormat::json) {
        nlohmann::ordered_json report;
        report["sources"] = {
            sourceEntry(reading.kind, reading.snapshot, reading.available, reading.reasons, now)};
        return report.dump(following ? -1 : 2, ' ', false,
                           nlohmann::ordered_json::error_handler_t::replace);
    }
    const LineParts parts = lineParts(reading, now);
    switch (format) {
    case LineFormat::waybar:
        return waybarLine(parts);
    case LineFormat::i3blocks:
        return i3blocksLines(parts, following);
    case LineFormat::polybar:
        return polybarLine(parts);
    default:
        return parts.oneLine.toStdString();
    }
}

} // namespace tallyglass
