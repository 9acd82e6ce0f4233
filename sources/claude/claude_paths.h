#pragma once

#include "core/claude_folder.h"

#include <QString>

namespace tallyglass {

// The files of a Claude folder; by default of the Claude folder, rebuilt at every call.
QString snapshotFilePath(const QString& folder = claudeFolderPath());
QString statuslineScriptPath(const QString& folder = claudeFolderPath());

} // namespace tallyglass
