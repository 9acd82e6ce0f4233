#include "platform/system/script_runner_path.h"

namespace tallyglass {

// Where this build put the runner: a system without an installed layout of ours still runs the
// helper straight from the build folder.
QString scriptRunnerPath() {
    return QStringLiteral(TALLYGLASS_BUILT_RUNNER);
}

} // namespace tallyglass
