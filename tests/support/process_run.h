#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace tallyglass::testing {

struct ProcessResult {
    bool finished = false;
    int exitCode = -1;
    QByteArray standardOutput;
    QByteArray standardError;

    bool ok() const { return finished && exitCode == 0; }
};

// Runs a program to its end with the given standard input; standard error is kept apart.
ProcessResult
runProcess(const QString& program, const QStringList& arguments, const QByteArray& input = {},
           int timeoutMs = 60'000,
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
// A program that reads nothing.
inline ProcessResult
runProgram(const QString& program, const QStringList& arguments, int timeoutMs = 60'000,
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    return runProcess(program, arguments, {}, timeoutMs, environment);
}
// Runs a command line the way Claude Code runs its status-line command: /bin/sh -c.
inline ProcessResult runShell(const QString& command, const QByteArray& input) {
    return runProcess(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command}, input);
}

} // namespace tallyglass::testing

namespace tallyglass::testing {

// Runs the current test again in a private mount namespace after the shell command setUp
// (which exits 77 when it cannot mount), with TALLYGLASS_INSIDE set. The test skips itself when
// there is no such namespace here, and fails when the run inside fails.
void rerunInPrivateMounts(const QString& setUp);
inline bool isInsidePrivateMounts() {
    return qEnvironmentVariableIsSet("TALLYGLASS_INSIDE");
}

} // namespace tallyglass::testing
