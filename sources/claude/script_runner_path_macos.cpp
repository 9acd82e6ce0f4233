#include "statusline_command.h"

namespace tallyglass {

QString scriptRunnerPath() {
    return QStringLiteral("/usr/bin/osascript");
}

} // namespace tallyglass
