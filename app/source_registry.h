#pragma once

#include "core/usage_model.h"

#include <QString>

#include <QStringList>
#include <optional>
#include <vector>

namespace tallyglass {

// One source per assistant that this build knows how to watch, and one more per further
// Claude folder the user added.
SourceTable defaultSources();

struct NamedSource {
    SourceId source;
    QString name; // as the switch shows it
};

// The sources with the names the user knows them by, in the switch's order.
std::vector<NamedSource> namedSources(const SourceTable& sources);
// The source a name picks: its stored form ("claude", "codex", "claude-2") or the name the
// switch shows, compared without regard to case; none when no source or several answer to it.
std::optional<SourceId> sourceByName(const SourceTable& sources, const QString& name);

// The source of the table a user names on the command line; none for a name it does not hold.
std::optional<SourceId> sourceNamed(const SourceTable& sources, const QString& name);

// The names it holds, for a message: each source's stored form.
QStringList sourceNames(const SourceTable& sources);

} // namespace tallyglass
