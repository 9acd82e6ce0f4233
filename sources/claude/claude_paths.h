#pragma once

#include "core/claude_folder.h"

#include <QString>

namespace tallyglass {

// The files of the Claude folder, rebuilt at every call.
QString snapshotFilePath();
QString statuslineScriptPath();

} // namespace tallyglass
