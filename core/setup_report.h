#pragma once

#include <QString>

#include <string>

namespace tallyglass {

// What setting up a source did that the user should hear of: for Claude Code, whether the
// status-line helper was added to the settings, or why it could not be.
struct SetupReport {
    enum class Result {
        quiet, // nothing to tell: already in place, or nothing to set up
        added, // the helper was added to a settings file that existed
        failed,
    };
    enum class Problem {
        none,
        folderNotMade,
        notRegularFile,
        unreadable,
        tooLarge,
        notJson, // at line, column
        tooDeep,
        notObject,
        readOnly,
        notWritten,
    };
    Result result = Result::quiet;
    Problem problem = Problem::none;
    int line = 0;
    int column = 0;
    // added: the user's own status-line command runs on behind the helper.
    bool ownCommandKept = false;
    // The file (or, for folderNotMade, the folder) the texts name.
    QString path;
    // The settings file that names the helper.
    QString settingsPath;
    // failed: the "statusLine" member to add by hand, as JSON text.
    QString statusLineMember;

    friend bool operator==(const SetupReport&, const SetupReport&) = default;
};

// The path as the user knows it: the home folder written as "~".
QString displayPath(const QString& path);

// One sentence saying why the helper could not be added, naming the file; empty unless failed.
QString setupProblemText(const SetupReport& report);

// The one-time notice after the helper was added; empty unless added.
QString setupAddedText(const SetupReport& report);

} // namespace tallyglass
