#pragma once

#include "source_kind.h"

#include <QSettings>

#include <memory>

namespace tallyglass {

// The program's own stored settings, read afresh from disk. None without a home, or when
// something other than a regular file stands in the file's place: QSettings would wait for
// ever on a FIFO there.
std::unique_ptr<QSettings> userDefaults();

// The watched assistant, as stored.
inline constexpr auto activeSourceKey = "activeSource";
// The Claude folder the user named in the panel.
inline constexpr auto claudeFolderKey = "claudeFolder";

// The stored watched assistant: Codex only when exactly "codex" is stored.
SourceKind storedActiveKind();

} // namespace tallyglass
