#include "source_registry.h"

namespace tallyglass {

SourceTable defaultSources() {
    SourceTable sources;
    return sources;
}

} // namespace tallyglass
