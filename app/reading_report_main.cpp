#include "reading_report.h"
#include "source_registry.h"

#include "core/clock.h"
#include "core/user_defaults.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <iostream>

namespace {

// Exit statuses: the watched assistant has a reading, has none, or the command line is wrong.
constexpr int readingFound = 0, noReading = 1, usageError = 2;

void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(QCoreApplication::translate(
        "inspect", "Prints what Tallyglass reads for each assistant, as JSON, with the reasons "
                   "for a missing reading. Reads only; installs and writes nothing.\n\nExit "
                   "status: 0 when the watched assistant has a reading, 1 when it has none, 2 on "
                   "a usage error."));
    parser.addHelpOption();
    parser.addVersionOption();
}

} // namespace

// Needs no display: a plain core application.
int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tallyglass-inspect"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TALLYGLASS_VERSION));
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(QCoreApplication::arguments()) || !parser.positionalArguments().isEmpty()) {
        const QString error =
            parser.positionalArguments().isEmpty()
                ? parser.errorText()
                : QCoreApplication::translate("inspect", "Unexpected argument: %1")
                      .arg(parser.positionalArguments().constFirst());
        std::cerr << "tallyglass-inspect: " << error.toStdString() << "\n"
                  << "Usage: tallyglass-inspect [--help] [--version]\n";
        return usageError;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(readingFound);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    const auto sources = tallyglass::defaultSources();
    const auto report = tallyglass::inspectReport(sources, tallyglass::SystemClock().now());
    // Invalid UTF-8 from a source file is replaced rather than aborting the dump.
    std::cout << report.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
              << '\n';
    return tallyglass::hasReading(report, tallyglass::storedActiveSource()) ? readingFound
                                                                            : noReading;
}
