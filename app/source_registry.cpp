#include "source_registry.h"

#include "sources/claude/claude_usage_source.h"
#include "sources/codex/codex_usage_source.h"

namespace tallyglass {

SourceTable defaultSources() {
    SourceTable sources;
    sources.emplace(SourceKind::claude,
                    std::make_shared<SourceActor>(std::make_unique<ClaudeUsageSource>()));
    sources.emplace(SourceKind::codex,
                    std::make_shared<SourceActor>(std::make_unique<CodexUsageSource>()));
    return sources;
}

std::optional<SourceKind> sourceNamed(const SourceTable& sources, const QString& name) {
    const auto kind = sourceKindFromRaw(name.toStdString());
    if (!kind || !sources.contains(*kind))
        return std::nullopt;
    return kind;
}

QStringList sourceNames(const SourceTable& sources) {
    QStringList names;
    for (const auto& entry : sources)
        names << QString::fromUtf8(rawValue(entry.first));
    return names;
}

} // namespace tallyglass
