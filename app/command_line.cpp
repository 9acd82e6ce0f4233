#include "command_line.h"

#include "sources/claude/claude_paths.h"
#include "sources/claude/statusline_removal.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>
#include <cstdio>

namespace tallyglass {
namespace {

void print(FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

// Options QGuiApplication takes for itself; they must still reach it.
void addGuiOptions(QCommandLineParser& parser) {
    for (const char* name :
         {"platform", "platformtheme", "platformpluginpath", "plugin", "display", "style",
          "stylesheet", "session", "qwindowgeometry", "qwindowtitle", "qwindowicon"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    QCommandLineOption reverse(QStringLiteral("reverse"));
    reverse.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(reverse);
}

int removeHelper() {
    const std::vector<FolderRemoval> removals = takeHelperOut();
    if (const QString failure = removalFailureText(removals); !failure.isEmpty()) {
        for (const QString& line : failure.split(u'\n'))
            print(stderr, QCoreApplication::translate("tallyglass::CommandLine", "tallyglass: %1\n")
                              .arg(line));
        return 1;
    }
    const bool removed = std::any_of(removals.begin(), removals.end(), [](const auto& each) {
        return each.removal == HelperRemoval::removed;
    });
    print(stdout, removed
                      ? QCoreApplication::translate(
                            "tallyglass::CommandLine",
                            "Removed the Tallyglass helper from Claude Code; your own status line "
                            "is back. Tallyglass will not add the helper again until you tick "
                            "\"Add helper to Claude Code\" in its panel.\n")
                      : QCoreApplication::translate(
                            "tallyglass::CommandLine",
                            "Claude Code's settings do not name the Tallyglass helper; nothing "
                            "to remove. Tallyglass will not add it again until you tick \"Add "
                            "helper to Claude Code\" in its panel.\n"));
    return 0;
}

} // namespace

std::optional<int> runCommandLine(int argc, char* argv[]) {
    // Needs no display, unlike the QApplication that comes after it.
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tallyglass"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TALLYGLASS_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "tallyglass::CommandLine",
        "Shows in the tray how much of the usage limits of Claude Code and Codex is used."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption remove(
        QStringLiteral("remove-helper"),
        QCoreApplication::translate("tallyglass::CommandLine",
                                    "Put back your own Claude Code status line, delete the "
                                    "helper's files, and stop adding the helper."));
    parser.addOption(remove);
    addGuiOptions(parser);

    if (!parser.parse(QCoreApplication::arguments()) || !parser.positionalArguments().isEmpty()) {
        const QString error = parser.positionalArguments().isEmpty()
                                  ? parser.errorText()
                                  : QCoreApplication::translate("tallyglass::CommandLine",
                                                                "Unexpected argument '%1'.")
                                        .arg(parser.positionalArguments().constFirst());
        print(stderr, QCoreApplication::translate(
                          "tallyglass::CommandLine",
                          "tallyglass: %1\nUsage: tallyglass [--remove-helper]\nTry "
                          "'tallyglass --help' for more information.\n")
                          .arg(error));
        return 2;
    }
    // Qt adds --help-all beside --help; Qt's own options are those hidden above.
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        print(stdout, parser.helpText());
        return 0;
    }
    if (parser.isSet(version)) {
        print(stdout,
              QStringLiteral("tallyglass %1\n").arg(QCoreApplication::applicationVersion()));
        return 0;
    }
    if (parser.isSet(remove))
        return removeHelper();
    return std::nullopt;
}

} // namespace tallyglass
