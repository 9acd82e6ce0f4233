#include "process_run.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <unistd.h>

namespace tallyglass::testing {

ProcessResult runProcess(const QString& program, const QStringList& arguments,
                         const QByteArray& input, int timeoutMs,
                         const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    ProcessResult result;
    if (!process.waitForStarted(timeoutMs))
        return result;
    process.write(input);
    process.closeWriteChannel();
    result.finished = process.waitForFinished(timeoutMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished();
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    return result;
}

} // namespace tallyglass::testing

namespace tallyglass::testing {

void rerunInPrivateMounts(const QString& setUp) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TALLYGLASS_INSIDE", "1");
    const ::testing::TestInfo& test = *::testing::UnitTest::GetInstance()->current_test_info();
    QStringList arguments{"-m", "--propagation", "private"};
    // A developer is no root: a user namespace of their own gives them the mounts.
    if (geteuid() != 0)
        arguments.prepend("-r");
    arguments << "/bin/sh"
              << "-c" << setUp + R"( || exit 77; exec "$0" "$1")"
              << QFile::symLinkTarget("/proc/self/exe")
              << QStringLiteral("--gtest_filter=%1.%2").arg(test.test_suite_name(), test.name());
    const ProcessResult run = runProcess("unshare", arguments, {}, 60'000, environment);
    if (run.exitCode == 77 || (run.exitCode != 0 && run.standardOutput.isEmpty()))
        GTEST_SKIP() << "no private mount namespace here: " << run.standardError.constData();
    EXPECT_EQ(run.exitCode, 0) << run.standardOutput.constData();
}

} // namespace tallyglass::testing
