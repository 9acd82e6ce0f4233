#include "reading_report.h"

#include "core/window_labels.h"

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

nlohmann::ordered_json inspectReport(const SourceTable& sources) {
    nlohmann::ordered_json report;
    report["sources"] = nlohmann::ordered_json::array();
    for (const auto& [kind, actor] : sources) {
        const std::optional<UsageSnapshot> snapshot = actor->loadSnapshot().result();
        nlohmann::ordered_json entry;
        entry["kind"] = std::string(rawValue(kind));
        entry["available"] = actor->isAvailable().result();
        if (snapshot) {
            entry["snapshot"] = snapshotJson(*snapshot);
            auto& labeled = entry["labeled_windows"] = nlohmann::ordered_json::array();
            for (const LabeledWindow& window : labeledWindows(*snapshot))
                labeled.push_back({{"key", window.key},
                                   {"label", window.label},
                                   {"window", windowJson(window.window)}});
            if (auto summary = menuBarSummary(snapshot))
                entry["summary"] = *summary;
        }
        report["sources"].push_back(std::move(entry));
    }
    return report;
}

} // namespace tallyglass
