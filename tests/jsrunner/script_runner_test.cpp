#include "support/process_run.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace tallyglass::testing;

namespace {

const QString runner = QStringLiteral(TALLYGLASS_RUNNER);

// Each script in tests/data/jsrunner runs with its .stdin and must give its .stdout and
// .stderr (where <script> stands for its path); it fails exactly when it reports.
TEST(ScriptRunner, GoldenScripts) {
    const QDir data(QStringLiteral(TALLYGLASS_TEST_DATA "/jsrunner"));
    for (const QString& file : data.entryList({"*.js"})) {
        TempHome home;
        const QString name = data.filePath(file.chopped(3));
        const ProcessResult run =
            runProcess(runner, {"-l", "JavaScript", name + ".js"}, readFile(name + ".stdin"));
        const QByteArray error = readFile(name + ".stderr");
        EXPECT_EQ(run.exitCode, error.isEmpty() ? 0 : 1) << file.toStdString();
        EXPECT_EQ(run.standardOutput, readFile(name + ".stdout")) << file.toStdString();
        EXPECT_EQ(QString::fromUtf8(run.standardError),
                  QString::fromUtf8(error).replace("<script>", name + ".js"))
            << file.toStdString();
    }
}

// A FIFO in the script's place is refused, not waited on.
TEST(ScriptRunner, MisuseNeverPrintsOnStandardOutput) {
    TempHome home;
    const QString fifo = home.filePath("fifo.js");
    ASSERT_TRUE(runShell("mkfifo '" + fifo + "'", {}).ok());
    for (const QStringList& arguments :
         {QStringList{}, QStringList{"-l", "AppleScript", "x.js"},
          QStringList{"-l", "JavaScript", "/no/such.js"}, QStringList{"-l", "JavaScript", fifo}}) {
        const ProcessResult run = runProcess(runner, arguments, {}, 10'000);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_EQ(run.standardOutput, "");
        EXPECT_EQ(run.standardError.count('\n'), 1);
    }
}

} // namespace
