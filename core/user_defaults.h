#pragma once

#include "source_id.h"

#include <QSettings>

#include <memory>

namespace tallyglass {

// The program's own stored settings, read afresh from disk. None without a home, or when
// something other than a regular file stands in the file's place: QSettings would wait for
// ever on a FIFO there.
std::unique_ptr<QSettings> userDefaults();

// The watched source, in its stored form.
inline constexpr auto activeSourceKey = "activeSource";
// The Claude folder the user named in the panel.
inline constexpr auto claudeFolderKey = "claudeFolder";

// The stored watched source: the Claude folder's unless a stored form is stored.
SourceId storedActiveSource();

} // namespace tallyglass
