#include "reading_report.h"

#include "core/window_labels.h"
#include "core/window_reset.h"
#include "ui/source_switch.h"

#include "core/claude_folder.h"

namespace tallyglass {
namespace {

nlohmann::ordered_json windowJson(const UsageWindow& window) {
    nlohmann::ordered_json out = nlohmann::ordered_json::object();
    if (window.usedPercentage)
        out["used_percentage"] = *window.usedPercentage;
    if (window.resetsAt)
        out["resets_at"] = *window.resetsAt;
    if (window.windowMinutes)
        out["window_minutes"] = *window.windowMinutes;
    if (window.family)
        out["family"] = *window.family;
    return out;
}

} // namespace

nlohmann::ordered_json snapshotJson(const UsageSnapshot& snapshot) {
    nlohmann::ordered_json out;
    out["updated_at"] = snapshot.updatedAt;
    if (snapshot.model)
        out["model"] = *snapshot.model;
    if (snapshot.planType)
        out["plan_type"] = *snapshot.planType;
    out["windows"] = nlohmann::ordered_json::object();
    for (const auto& [key, window] : snapshot.windows)
        out["windows"][key] = windowJson(window);
    return out;
}

nlohmann::ordered_json sourceEntry(const SourceId& source,
                                   const std::optional<UsageSnapshot>& snapshot, bool available,
                                   const std::vector<QString>& reasons, double now) {
    nlohmann::ordered_json entry;
    entry["kind"] = std::string(rawValue(source.kind));
    // Which of several Claude folders, and the name the panel's switch shows.
    entry["source"] = storedForm(source);
    entry["name"] = displayName(source).toStdString();
    if (source.kind == SourceKind::claude)
        entry["folder"] = claudeFolderPath(source.folder).toStdString();
    entry["available"] = available;
    if (snapshot) {
        entry["snapshot"] = snapshotJson(*snapshot);
        entry["stale"] = UsageModel::isStale(*snapshot, now);
        const auto windows = windowsAsOf(labeledWindows(*snapshot), snapshot->updatedAt, now);
        auto& labeled = entry["labeled_windows"] = nlohmann::ordered_json::array();
        for (const LabeledWindow& window : windows)
            labeled.push_back({{"key", window.key},
                               {"label", window.label},
                               {"window", windowJson(window.window)},
                               {"has_reset", window.hasReset}});
        if (auto summary = menuBarSummary(windows))
            entry["summary"] = *summary;
    }
    auto& reasonList = entry["reasons"] = nlohmann::ordered_json::array();
    for (const QString& reason : reasons)
        reasonList.push_back(reason.toStdString());
    return entry;
}

nlohmann::ordered_json inspectReport(const SourceTable& sources, double now) {
    nlohmann::ordered_json report;
    report["sources"] = nlohmann::ordered_json::array();
    for (const auto& [source, actor] : sources)
        report["sources"].push_back(sourceEntry(source, actor->loadSnapshot().result(),
                                                actor->isAvailable().result(),
                                                actor->diagnosis().result(), now));
    return report;
}

bool hasReading(const nlohmann::ordered_json& report, const SourceId& source) {
    for (const auto& entry : report["sources"])
        if (entry["source"] == storedForm(source))
            return entry.contains("snapshot");
    return false;
}

} // namespace tallyglass
