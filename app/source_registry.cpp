#include "source_registry.h"

#include "sources/claude/claude_usage_source.h"

namespace tallyglass {

SourceTable defaultSources() {
    SourceTable sources;
    sources.emplace(SourceKind::claude,
                    std::make_shared<SourceActor>(std::make_unique<ClaudeUsageSource>()));
    return sources;
}

} // namespace tallyglass
