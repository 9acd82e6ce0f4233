#pragma once

#include "core/usage_model.h"

namespace tallyglass {

// One source per assistant that this build knows how to watch.
SourceTable defaultSources();

} // namespace tallyglass
