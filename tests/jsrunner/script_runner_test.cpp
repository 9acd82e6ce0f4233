#include "support/process_run.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

using namespace tallyglass::testing;

namespace {

const QString runner = QStringLiteral(TALLYGLASS_RUNNER);

// Each script in tests/data/jsrunner runs with its .stdin and must give its .stdout and
// .stderr (where <script> stands for its path) and the exit code.
TEST(ScriptRunner, GoldenScripts) {
    const std::pair<const char*, int> scripts[] = {
        {"conventions", 0},    {"caught_errors", 0}, {"uncaught_bridge_error", 1},
        {"uncaught_value", 1}, {"syntax_error", 1},
    };
    const QDir data(QStringLiteral(TALLYGLASS_TEST_DATA "/jsrunner"));
    for (const auto& [name, exitCode] : scripts) {
        TempHome home;
        const QString script = data.filePath(QString::fromUtf8(name) + ".js");
        const ProcessResult run = runProcess(runner, {"-l", "JavaScript", script},
                                             readFile(data.filePath(QString(name) + ".stdin")));
        EXPECT_EQ(run.exitCode, exitCode) << name;
        EXPECT_EQ(run.standardOutput, readFile(data.filePath(QString(name) + ".stdout"))) << name;
        EXPECT_EQ(QString::fromUtf8(run.standardError),
                  QString::fromUtf8(readFile(data.filePath(QString(name) + ".stderr")))
                      .replace("<script>", script))
            << name;
    }
}

TEST(ScriptRunner, MisuseNeverPrintsOnStandardOutput) {
    for (const QStringList& arguments : {QStringList{}, QStringList{"-l", "AppleScript", "x.js"},
                                         QStringList{"-l", "JavaScript", "/no/such.js"}}) {
        const ProcessResult run = runProcess(runner, arguments, {});
        EXPECT_NE(run.exitCode, 0);
        EXPECT_EQ(run.standardOutput, "");
        EXPECT_EQ(run.standardError.count('\n'), 1);
    }
}

} // namespace
