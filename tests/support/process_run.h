#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tallyglass::testing {

struct ProcessResult {
    bool finished = false;
    int exitCode = -1;
    QByteArray standardOutput;
    QByteArray standardError;
};

// Runs a program to its end with the given standard input; standard error is kept apart.
ProcessResult runProcess(const QString& program, const QStringList& arguments,
                         const QByteArray& input, int timeoutMs = 60'000);
// Runs a command line the way Claude Code runs its status-line command: /bin/sh -c.
ProcessResult runShell(const QString& command, const QByteArray& input);

} // namespace tallyglass::testing
