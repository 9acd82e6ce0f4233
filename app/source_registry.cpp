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

} // namespace tallyglass
