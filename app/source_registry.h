#pragma once

#include "core/usage_model.h"

#include <QStringList>

namespace tallyglass {

// One source per assistant that this build knows how to watch.
SourceTable defaultSources();

// The source of the table a user names on the command line ("claude", "codex"); none for a
// name it does not hold.
std::optional<SourceKind> sourceNamed(const SourceTable& sources, const QString& name);

// The names it holds, for a message.
QStringList sourceNames(const SourceTable& sources);

} // namespace tallyglass
