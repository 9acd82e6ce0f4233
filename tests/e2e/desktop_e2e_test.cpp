// The installed program inside the panels of real desktops: one row per host, on a real X
// server (Xvfb, with openbox) and a private session bus. Every wait is for what the screen or
// the bus shows, with deadlines for a loaded machine. Screenshots and the panels' logs are
// kept in the build folder (tests/e2e/artefacts) to look at.
#include "support/contrast.h"
#include "support/event_loop.h"
#include "support/private_bus.h"
#include "support/process_run.h"
#include "support/temp_home.h"
#include "ui/panel_style.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QLibraryInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <memory>

using namespace tallyglass;
using namespace tallyglass::testing;

namespace {

const QString title = QStringLiteral("Tallyglass");
const QString artefacts = QStringLiteral(TALLYGLASS_ARTEFACTS);

struct Host {
    const char* name;
    // The panel's processes in the order they start, each a command line ("{home}" is the
    // host's home); the last is the panel itself.
    QStringList commands;
    // Part of the host's bar, on the 1280 × 800 screen, that is one colour but for the items.
    QRect bar;
    // The host reads the item from the session bus, not from the XEmbed tray.
    bool statusNotifier = true;
    // GNOME: a click opens the item's menu, and the figures stand beside the icon.
    bool gnome = false;
    // More of the panel's environment, as NAME=VALUE pairs.
    QStringList environment = {};
    // Plasma: colour schemes switched to while the program runs, the icon read after each.
    QStringList colourSchemes = {};
};

void PrintTo(const Host& host, std::ostream* out) {
    *out << host.name;
}

// Each host's configuration is hosts/NAME, copied into its XDG_CONFIG_HOME.
// clang-format off
const Host hosts[] = {
    {"trayer", {"trayer --edge top --align right --widthtype pixel --width 160 --height 28 "
                "--transparent false"}, QRect(1120, 0, 160, 28), false},
    {"tint2", {"tint2"}, QRect(0, 0, 1280, 30), false},
    // xfconfd, which the panel reads its configuration through, is not on PATH.
    {"xfce4_panel", {QLibraryInfo::path(QLibraryInfo::LibrariesPath) + "/xfce4/xfconf/xfconfd",
                     "xfce4-panel"}, QRect(0, 0, 1280, 26)},
    {"lxqt_panel", {"lxqt-panel"}, QRect(0, 0, 1280, 32)},
    // Last: it replaces openbox as the window manager. Its bar right of the clock and the bell
    // that hidden notification banners (see its keyfile) put beside it.
    {"gnome_shell", {"dbus-daemon --nofork --config-file=" TALLYGLASS_HOSTS "/system-bus.conf "
                     "--address=unix:path={home}/system_bus", "gnome-shell --x11 --replace"},
     QRect(760, 0, 460, 26), true, true, {"XDG_CURRENT_DESKTOP=GNOME", "GSETTINGS_BACKEND=keyfile",
     "LIBGL_ALWAYS_SOFTWARE=1", "DBUS_SYSTEM_BUS_ADDRESS=unix:path={home}/system_bus"}},
    // Also last, kwin replacing openbox. kded5 holds the tray's item registry; the bottom
    // panel holds the tray alone (see its appletsrc) and is opaque without compositing; the
    // activity is named so that its desktop is plain black. Started here rather than by the
    // bus, which would leave them running after the case.
    {"kde_plasma", {QLibraryInfo::path(QLibraryInfo::LibrariesPath) + "/libexec/kactivitymanagerd",
                    "kglobalaccel5", "kded5", "kwin_x11 --replace", "plasmashell"},
     QRect(0, 772, 300, 28), true, false, {"XDG_CURRENT_DESKTOP=KDE", "KDE_FULL_SESSION=true",
     "KDE_SESSION_VERSION=5"}, {"BreezeDark", "BreezeClassic"}},
};
// clang-format on

// Whether the condition comes to hold within a deadline for a loaded machine.
bool eventually(const std::function<bool()>& condition) {
    return processEventsUntil(condition, 20000);
}

// Ends a process politely, then firmly.
void endProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(2000);
    }
}

// The pixels of a screen area that differ from its most common colour, the background.
struct Foreground {
    QRgb background = 0;
    int count = 0;
    QRect bounds;
    // The most common of them: an icon's fill rather than its outline or edges.
    QRgb fill = 0;
};

QRgb mostCommon(const QHash<QRgb, int>& colours) {
    auto most = std::max_element(colours.cbegin(), colours.cend());
    return most == colours.cend() ? 0 : most.key();
}

Foreground foreground(const QImage& screen, const QRect& area) {
    const QRect inside = area.intersected(screen.rect());
    QHash<QRgb, int> colours;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            ++colours[screen.pixel(x, y)];
    Foreground result;
    result.background = mostCommon(colours);
    colours.remove(result.background);
    result.fill = mostCommon(colours);
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (screen.pixel(x, y) != result.background) {
                ++result.count;
                result.bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return result;
}

// One X server, window manager, session bus and installed program for all cases; each case
// starts a host's panel and the program.
class Desktop : public ::testing::TestWithParam<Host> {
protected:
    static void SetUpTestSuite() {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty()) {
            noServer = "Xvfb is not installed";
            return;
        }
        // Xvfb picks a free display itself, under its own lock, and names it on standard output
        // once it accepts connections: parallel test runs cannot take the same one.
        server = new QProcess;
        server->start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp",
                               "-noreset"});
        processEventsUntil(
            [] { return server->canReadLine() || server->state() == QProcess::NotRunning; }, 15000);
        display = ':' + QString::fromLatin1(server->readLine().trimmed());
        if (server->state() != QProcess::Running || display == ":") {
            noServer = "Xvfb did not start: " + QString::fromUtf8(server->readAllStandardError());
            return;
        }
        for (const char* tool : {"openbox", "xdotool", "xprop", "import", "gdbus"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                error += QStringLiteral("%1 is not installed (see TEST_PACKAGES). ").arg(tool);
        bus = new PrivateBus;
        error += bus->error();
        prefix = new QTemporaryDir;
        const auto install = runProgram(
            TALLYGLASS_CMAKE, {"--install", TALLYGLASS_BINARY_DIR, "--prefix", prefix->path()});
        if (!install.ok())
            error += QString::fromUtf8(install.standardOutput + install.standardError);
        windowManager = new QProcess;
        windowManager->setProcessEnvironment(environment(QDir::tempPath()));
        windowManager->start("openbox", {});
        // Ready once it names itself on the root window; a panel that maps its window while
        // openbox is still starting may end up never shown.
        if (!eventually([] {
                return run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
            }))
            error += "openbox did not start. ";
    }
    static void TearDownTestSuite() {
        for (QProcess* process : {windowManager, server}) {
            if (process)
                endProcess(*process);
            delete process;
        }
        delete bus;
        delete prefix;
    }
    void SetUp() override {
        if (!noServer.isEmpty())
            GTEST_SKIP() << "No X server: " << noServer.toStdString();
        // Everything else the test command installs; missing, it is a failure, not a skip.
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        for (const QString& command : host().commands)
            ASSERT_FALSE(QStandardPaths::findExecutable(command.section(u' ', 0, 0)).isEmpty())
                << command.toStdString() << ": not installed (see TEST_PACKAGES)";
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        const QString snapshot =
            R"({"updated_at":%1,"windows":{"five_hour":{"used_percentage":42,)"
            R"("resets_at":%2},"seven_day":{"used_percentage":17,"resets_at":%3}}})";
        ASSERT_TRUE(writeFile(home.filePath(".claude/usage_snapshot.json"),
                              snapshot.arg(now).arg(now + 7200).arg(now + 300000).toUtf8()));
        panelEnvironment = environment(hostHome.path());
        runProgram("cp", {"-RT", TALLYGLASS_HOSTS "/" + QString(host().name),
                          hostHome.filePath(".config")});
        for (QString pair : host().environment) {
            pair.replace("{home}", hostHome.path());
            panelEnvironment.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
        }
        QDir().mkpath(artefacts);
        const QString test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        panelLog = artefact(test.section(u'/', 0, 0)) + ".log";
        QFile::remove(panelLog);
    }
    void TearDown() override {
        if (app)
            endProcess(*app);
        for (auto it = panel.rbegin(); it != panel.rend(); ++it)
            endProcess(**it);
    }

    static const Host& host() { return GetParam(); }
    static QString artefact(const QString& what) {
        return QStringLiteral("%1/%2-%3").arg(artefacts, host().name, what);
    }
    // Saved whole or not at all.
    static void save(const QImage& screen, const QString& what) {
        QSaveFile file(artefact(what) + ".png");
        if (file.open(QIODevice::WriteOnly) && screen.save(&file, "PNG"))
            file.commit();
    }

    // What a program started on this desktop with its own home folder finds.
    static QProcessEnvironment environment(const QString& home) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name :
             {"WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP", "SESSION_MANAGER", "XAUTHORITY"})
            environment.remove(name);
        environment.insert("DISPLAY", display);
        environment.insert("DBUS_SESSION_BUS_ADDRESS", bus->address());
        environment.insert("HOME", home);
        environment.insert("XDG_CONFIG_HOME", home + "/.config");
        environment.insert("XDG_RUNTIME_DIR", home + "/.runtime");
        environment.insert("QT_QPA_PLATFORM", "xcb");
        QDir(home).mkpath(".runtime");
        QFile::setPermissions(home + "/.runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner);
        return environment;
    }
    // Runs an X11 or D-Bus tool on this desktop; its standard output.
    static QByteArray run(const QString& program, const QStringList& arguments) {
        QProcessEnvironment tools = environment(QDir::tempPath());
        // gdbus prints what the locale cannot show as '?'; C.UTF-8 is always there.
        tools.insert("LC_ALL", "C.UTF-8");
        return runProgram(program, arguments, 20000, tools).standardOutput;
    }
    // Through a pipe: no file that is read half written, or that another test overwrites.
    static QImage screenshot() {
        return QImage::fromData(run("import", {"-window", "root", "ppm:-"}), "PPM");
    }
    static bool windowShown() {
        return !run("xdotool", {"search", "--onlyvisible", "--name", '^' + title + '$'})
                    .trimmed()
                    .isEmpty();
    }
    static void click(QPoint at, int button = 1) {
        run("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y()), "click",
                        QString::number(button)});
    }
    static QString busProperty(const QString& dest, const QString& path, const QString& name) {
        const QString interface = path.mid(1).prepend("org.kde.");
        return QString::fromUtf8(
            run("gdbus", {"call", "--session", "--dest", dest, "--object-path", path, "--method",
                          "org.freedesktop.DBus.Properties.Get", interface, name}));
    }

    void launch(QString command) {
        QStringList arguments = command.replace("{home}", hostHome.path()).split(u' ');
        auto& process = panel.emplace_back(std::make_unique<QProcess>());
        process->setProcessEnvironment(panelEnvironment);
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(panelLog, QIODevice::Append);
        process->start(arguments.takeFirst(), arguments);
        process->waitForStarted(10000);
    }
    void startPanel() {
        for (const QString& command : host().commands)
            launch(command);
    }
    // Ends and starts again the panel itself, as after a crash.
    void restartPanel() {
        endProcess(*panel.back());
        panel.pop_back();
        launch(host().commands.constLast());
    }
    // Started as desktops start it: with the command of its installed desktop entry (a
    // login session's PATH often lacks the prefix's bin folder).
    void startApp() {
        const QByteArray entry =
            readFile(prefix->filePath("share/applications/tallyglass.desktop"));
        app = std::make_unique<QProcess>();
        app->setProcessEnvironment(environment(home.path()));
        app->setProcessChannelMode(QProcess::ForwardedChannels);
        app->startCommand(
            QString::fromUtf8(entry.mid(entry.indexOf("\nExec=") + 6)).section(u'\n', 0, 0));
        ASSERT_TRUE(app->waitForStarted(10000)) << entry.toStdString();
    }

    // The item once it shows readable (at least 60 pixels that read on the bar, the figures
    // beside them on GNOME, elsewhere no second icon beside them) and the screen has not changed
    // for two seconds: a panel may still lay out, a restarted one show the old icon beside the
    // new, GNOME's overview zoom in, and its AppIndicator extension drop an item it failed to set
    // up within a second, which then registers again. Saved under `when`; on SNI hosts, the
    // watcher lists the item once, with its figures in the tooltip. Nothing when it did not show.
    std::optional<Foreground> waitForItem(const char* when) {
        QImage screen;
        Foreground icon;
        double contrast = 0;
        QElapsedTimer unchanged;
        const bool shown = processEventsUntil(
            [&] {
                QImage now = screenshot();
                if (now != screen || !unchanged.isValid())
                    unchanged.start();
                screen = std::move(now);
                icon = foreground(screen, host().bar);
                contrast = highestContrast(screen.copy(icon.bounds), QColor(icon.background));
                const int width = icon.bounds.width();
                return icon.count >= 60 && (host().gnome ? width >= 60 : width <= 40) &&
                       contrast >= 3.0 && unchanged.elapsed() >= 2000;
            },
            60000);
        save(screen, when);
        EXPECT_TRUE(shown) << when << ": no single readable item in the bar but " << icon.count
                           << " pixels in " << icon.bounds.width() << " × " << icon.bounds.height()
                           << ", contrast " << contrast;
        if (!shown || !host().statusNotifier)
            return shown ? std::optional(icon) : std::nullopt;
        // gdbus prints (<['name/path']>,): the entry stands between the first quotes, a bus
        // name alone or followed by its path (by "@" on GNOME).
        QStringList items;
        EXPECT_TRUE(eventually([&] {
            items = busProperty("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                                "RegisteredStatusNotifierItems")
                        .split(u'\'');
            return items.size() == 3;
        })) << items.join(u'\'').toStdString();
        EXPECT_TRUE(eventually([&] {
            return busProperty(items.value(1).section(u'/', 0, 0).section(u'@', 0, 0),
                               "/StatusNotifierItem", "ToolTip")
                .contains("Tallyglass: 42% \u00B7 17%");
        }));
        return icon;
    }
    // Clicks the item; whether its menu then showed beside the bar (above a bottom one), and
    // closed again.
    bool menuShows(const Foreground& icon, int button) {
        const QRect& bar = host().bar;
        const QRect beside(icon.bounds.center().x() - 300,
                           bar.top() > 400 ? bar.top() - 300 : bar.bottom() + 1, 600, 300);
        const int before = foreground(screenshot(), beside).count;
        click(icon.bounds.center(), button);
        QImage screen;
        const bool shown = eventually([&] {
            screen = screenshot();
            return foreground(screen, beside).count > before + 1000;
        });
        save(screen, button == 1 ? "menu-left" : "menu");
        run("xdotool", {"key", "Escape"});
        return shown &&
               eventually([&] { return foreground(screenshot(), beside).count < before + 100; });
    }

    static inline QProcess* server = nullptr;
    static inline QProcess* windowManager = nullptr;
    static inline QString display;
    static inline PrivateBus* bus = nullptr;
    static inline QTemporaryDir* prefix = nullptr;
    // Why the cases cannot run: skipped without an X server, failed without anything else.
    static inline QString noServer;
    static inline QString error;
    QTemporaryDir home;
    QTemporaryDir hostHome;
    QProcessEnvironment panelEnvironment;
    QString panelLog;
    std::vector<std::unique_ptr<QProcess>> panel;
    std::unique_ptr<QProcess> app;
};

TEST_P(Desktop, ClicksOpenThePanelAndTheMenu) {
    startPanel();
    startApp();
    const auto icon = waitForItem("bar");
    ASSERT_TRUE(icon);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        // Apart from the last click by more than a double click's time.
        processEventsFor(500);
        // GNOME opens an item's menu on a click, as it does for every indicator.
        if (host().gnome) {
            EXPECT_TRUE(menuShows(*icon, 1));
            continue;
        }
        click(icon->bounds.center());
        ASSERT_TRUE(eventually([] { return windowShown(); }));
        if (round == 0)
            save(screenshot(), "panel");
        click(QPoint(640, 500));
        ASSERT_TRUE(eventually([] { return !windowShown(); }));
    }
    EXPECT_TRUE(menuShows(*icon, 3));

    // Plasma colours named icons as it loads them: after a switch of colour scheme the icon's
    // fill, not only its outline, must read on the bar in its new colours.
    for (const QString& scheme : host().colourSchemes) {
        runProgram("plasma-apply-colorscheme", {scheme}, 20000, panelEnvironment);
        const auto switched = waitForItem(qPrintable(scheme));
        ASSERT_TRUE(switched);
        EXPECT_GE(contrastRatio(QColor(switched->fill), QColor(switched->background)), 3.0)
            << scheme.toStdString();
    }
}

TEST_P(Desktop, ComesBackAfterRestartsAndLateStarts) {
    startApp();
    // No panel yet: after a while the program opens its window instead.
    ASSERT_TRUE(eventually([] { return windowShown(); }));
    processEventsFor(5000 - 2000);
    startPanel();
    ASSERT_TRUE(waitForItem("late"));
    // Once the icon shows, the window that stood in for it goes.
    EXPECT_TRUE(eventually([] { return !windowShown(); }));

    for (int restart = 0; restart < 3; ++restart) {
        SCOPED_TRACE(restart);
        restartPanel();
        ASSERT_TRUE(waitForItem("restarted"));
        // A restart is not a missing tray: no window stands in for the item meanwhile.
        EXPECT_FALSE(windowShown());
    }
}

INSTANTIATE_TEST_SUITE_P(Hosts, Desktop, ::testing::ValuesIn(hosts),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
