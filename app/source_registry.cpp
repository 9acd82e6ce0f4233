#include "source_registry.h"

#include "sources/codex/codex_usage_source.h"

namespace tallyglass {

SourceTable defaultSources() {
    SourceTable sources;
    sources[SourceKind::codex] =
        std::make_shared<SourceActor>(std::make_unique<CodexUsageSource>());
    return sources;
}

} // namespace tallyglass
