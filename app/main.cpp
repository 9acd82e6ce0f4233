#include "platform/desktop_entry.h"
#include "source_registry.h"
#include "tallyglass_app.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tallyglass"));
    QApplication::setApplicationName(QStringLiteral("Tallyglass"));
    // Ties windows to the installed desktop entry (its icon and name; the app id on Wayland).
    QGuiApplication::setDesktopFileName(QLatin1String(tallyglass::desktopEntryName));
    // A tray utility: closing a window must never end it.
    QApplication::setQuitOnLastWindowClosed(false);

    tallyglass::TallyglassApp app(tallyglass::defaultSources(),
                                  std::make_shared<tallyglass::SystemClock>(),
                                  tallyglass::createStatusItem());
    return QApplication::exec();
}
