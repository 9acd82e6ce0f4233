#include "reading_report.h"
#include "source_registry.h"

#include <QCoreApplication>

#include <iostream>

// Prints what Tallyglass would show, as JSON; reads only.
int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const auto sources = tallyglass::defaultSources();
    // Invalid UTF-8 from a source file is replaced rather than aborting the dump.
    std::cout << tallyglass::inspectReport(sources).dump(
                     2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
              << '\n';
    return 0;
}
