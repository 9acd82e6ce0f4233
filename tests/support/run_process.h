#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace tallyglass::testing {

struct ProcessResult {
    int exitCode = -1;
    bool finished = false;
    QByteArray out;
    QByteArray err;

    bool ok() const { return finished && exitCode == 0; }
};

// Runs a program to its end, or kills it after the timeout (finished is then false).
ProcessResult
runProcess(const QString& program, const QStringList& arguments, int timeoutMs = 60000,
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

} // namespace tallyglass::testing
