#pragma once

#include <QSettings>

#include <memory>

namespace tallyglass {

// The program's stored settings; none without a home, or when something other than a regular
// file stands in the file's place (QSettings would wait for ever on a FIFO there).
std::unique_ptr<QSettings> userDefaults();

} // namespace tallyglass
