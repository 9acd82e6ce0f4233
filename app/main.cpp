#include "command_line.h"
#include "platform/desktop_entry.h"
#include "platform/single_instance.h"
#include "source_registry.h"
#include "sources/claude/statusline_removal.h"
#include "tallyglass_app.h"
#include "ui/translations.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    if (const auto exitStatus = tallyglass::runCommandLine(argc, argv))
        return *exitStatus;
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tallyglass"));
    QApplication::setApplicationName(QStringLiteral("Tallyglass"));
    // Ties windows to the installed desktop entry (its icon and name; the app id on Wayland).
    QGuiApplication::setDesktopFileName(QLatin1String(tallyglass::desktopEntryName));
    // A tray utility: closing a window must never end it.
    QApplication::setQuitOnLastWindowClosed(false);
    tallyglass::installTranslations(QLocale::system());

    // A second start only brings the running program's panel forward.
    tallyglass::SingleInstance instance;
    if (!instance.claim())
        return 0;

    tallyglass::TallyglassApp app(
        tallyglass::defaultSources(), std::make_shared<tallyglass::SystemClock>(),
        tallyglass::createStatusItem(), tallyglass::createLoginItem(),
        std::make_shared<tallyglass::ClaudeHelperSwitch>(), tallyglass::createDesktopNotifier());
    app.model().setSourceFactory(&tallyglass::defaultSources);
    QObject::connect(&instance, &tallyglass::SingleInstance::showRequested, &app,
                     &tallyglass::TallyglassApp::showPanelWindow);
    return QApplication::exec();
}
