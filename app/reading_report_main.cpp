#include "reading_report.h"
#include "source_registry.h"
#include "status_follow.h"
#include "status_line.h"

#include "core/clock.h"
#include "core/user_defaults.h"
#include "ui/translations.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <iostream>

namespace {

using namespace tallyglass;

// Exit statuses: the watched assistant has a reading, has none, or the command line is wrong.
constexpr int readingFound = 0, noReading = 1, usageError = 2;

const QString formatOption = QStringLiteral("format"), followOption = QStringLiteral("follow"),
              sourceOption = QStringLiteral("source");

void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(QCoreApplication::translate(
        "inspect",
        "Prints what Tallyglass reads for each assistant, as JSON, with the reasons for a "
        "missing reading; or one assistant's figures as a line of text or for a status bar's "
        "module. Reads only; installs and writes nothing.\n\nExit status: 0 when the watched "
        "assistant has a reading, 1 when it has none, 2 on a usage error; 0 when --follow "
        "ends because its output closed."));
    parser.addOption({{QStringLiteral("f"), formatOption},
                      QCoreApplication::translate(
                          "inspect", "Print as text, json (the default), waybar, i3blocks or "
                                     "polybar: one assistant's line, for a bar's own module."),
                      QStringLiteral("format")});
    parser.addOption(
        {followOption, QCoreApplication::translate(
                           "inspect", "Keep running: print a line at start and again whenever it "
                                      "changes, until the output closes.")});
    parser.addOption({{QStringLiteral("s"), sourceOption},
                      QCoreApplication::translate(
                          "inspect", "The assistant to show: claude or codex (the default is "
                                     "the one chosen in the panel)."),
                      QStringLiteral("name")});
    parser.addHelpOption();
    parser.addVersionOption();
}

int usage(const QString& error) {
    std::cerr << "tallyglass-inspect: " << error.toStdString() << "\n"
              << QCoreApplication::translate(
                     "inspect",
                     "Usage: tallyglass-inspect [--format FORMAT] [--follow] [--source NAME]")
                     .toStdString()
              << "\n";
    return usageError;
}

// The report of every source (or the one named), as before there were formats.
int printReport(const SourceTable& sources, SourceId watched) {
    const auto report = inspectReport(sources, SystemClock().now());
    // Invalid UTF-8 from a source file is replaced rather than aborting the dump.
    std::cout << report.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
              << '\n';
    return hasReading(report, watched) ? readingFound : noReading;
}

int printLine(const SourceTable& sources, SourceId kind, LineFormat format) {
    const auto& actor = sources.at(kind);
    const SourceReading reading{
        kind, actor->loadSnapshot().result(), actor->isAvailable().result(), {}};
    std::cout << statusLine(format, reading, SystemClock().now(), false) << '\n';
    return reading.snapshot ? readingFound : noReading;
}

} // namespace

// Needs no display: a plain core application.
int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tallyglass-inspect"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TALLYGLASS_VERSION));
    // The help and the usage errors in the user's language.
    installTranslations(QLocale::system());
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(QCoreApplication::arguments()))
        return usage(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return usage(QCoreApplication::translate("inspect", "Unexpected argument: %1")
                         .arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(readingFound);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    const auto format = lineFormatNamed(
        parser.value(formatOption).isEmpty() ? QStringLiteral("json") : parser.value(formatOption));
    if (!format)
        return usage(QCoreApplication::translate("inspect", "Unknown format: %1")
                         .arg(parser.value(formatOption)));
    SourceTable sources = defaultSources();
    SourceId kind = storedActiveSource();
    if (parser.isSet(sourceOption)) {
        const auto named = sourceNamed(sources, parser.value(sourceOption));
        if (!named)
            return usage(QCoreApplication::translate("inspect", "No source named %1 (known: %2)")
                             .arg(parser.value(sourceOption),
                                  sourceNames(sources).join(QStringLiteral(", "))));
        kind = *named;
        // The report too shows that one alone.
        sources = {{kind, sources.at(kind)}};
    }
    if (*format == LineFormat::json)
        removeTranslations();
    if (parser.isSet(followOption))
        return followSource(sources, kind, *format);
    if (*format == LineFormat::json)
        return printReport(sources, kind);
    return printLine(sources, kind, *format);
}
