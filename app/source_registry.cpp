#include "source_registry.h"

#include "core/claude_folder.h"
#include "platform/system/script_runner_path.h"
#include "sources/claude/claude_usage_source.h"
#include "sources/codex/codex_usage_source.h"
#include "ui/source_switch.h"

namespace tallyglass {

SourceTable defaultSources() {
    SourceTable sources;
    sources.emplace(SourceKind::claude,
                    std::make_shared<SourceActor>(std::make_unique<ClaudeUsageSource>()));
    const QString claudeFolder = claudeFolderPath();
    for (const ClaudeFolder& folder : furtherClaudeFolders()) {
        // The Claude folder is already watched, also when the user later chose it as such.
        if (folder.path == claudeFolder)
            continue;
        sources.emplace(SourceId(SourceKind::claude, folder.number),
                        std::make_shared<SourceActor>(
                            std::make_unique<ClaudeUsageSource>(scriptRunnerPath(), folder.path)));
    }
    sources.emplace(SourceKind::codex,
                    std::make_shared<SourceActor>(std::make_unique<CodexUsageSource>()));
    return sources;
}

std::vector<NamedSource> namedSources(const SourceTable& sources) {
    std::vector<NamedSource> named;
    for (const auto& [source, actor] : sources)
        named.push_back({source, displayName(source)});
    return named;
}

std::optional<SourceId> sourceByName(const SourceTable& sources, const QString& name) {
    if (const auto stored = sourceIdFromStored(name.toStdString());
        stored && sources.contains(*stored))
        return stored;
    std::optional<SourceId> found;
    for (const NamedSource& each : namedSources(sources)) {
        if (each.name.compare(name.trimmed(), Qt::CaseInsensitive) != 0)
            continue;
        if (found)
            return std::nullopt;
        found = each.source;
    }
    return found;
}

std::optional<SourceId> sourceNamed(const SourceTable& sources, const QString& name) {
    return sourceByName(sources, name);
}

QStringList sourceNames(const SourceTable& sources) {
    QStringList names;
    for (const auto& entry : sources)
        names << QString::fromStdString(storedForm(entry.first));
    return names;
}

} // namespace tallyglass
