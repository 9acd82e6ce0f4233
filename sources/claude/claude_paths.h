#pragma once

#include <QString>

namespace tallyglass {

// The files of the Claude folder, rebuilt from the current home directory at every call.
QString claudeFolderPath();
QString snapshotFilePath();
QString statuslineScriptPath();

} // namespace tallyglass
