// The installed program inside the panels of real desktops: one row per host, on a real X
// server (Xvfb, with openbox) or a headless Wayland compositor of its own, and a private
// session bus. Every wait is for what the screen or the bus shows, with deadlines for a loaded
// machine. Screenshots and the panels' logs are kept in the build folder (tests/e2e/artefacts)
// to look at. The Wayland rows run in the Debian 13 root of scripts/wayland-hosts.
#include "support/contrast.h"
#include "support/event_loop.h"
#include "support/private_bus.h"
#include "support/process_run.h"
#include "support/temp_home.h"
#include "ui/panel_style.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
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
#include <string_view>

#ifndef TALLYGLASS_VIRTUAL_POINTER
#define TALLYGLASS_VIRTUAL_POINTER ""
#endif

using namespace tallyglass;
using namespace tallyglass::testing;
using namespace std::string_view_literals;

namespace {

const QString title = QStringLiteral("Tallyglass");
const QString artefacts = QStringLiteral(TALLYGLASS_ARTEFACTS);
const QString appIndicator = QStringLiteral("ubuntu-appindicators@ubuntu.com");

// GNOME Shell's screenshots and Mutter's virtual input devices, through a connection of its own
// that holds the remote-desktop session: the session ends with it.
class GnomeRemote {
public:
    explicit GnomeRemote(const QString& address)
        : m_bus(QDBusConnection::connectToBus(address, "gnome-remote")) {
        // The shell takes screenshots only for the callers it knows.
        m_bus.registerService("org.gnome.Screenshot");
    }
    ~GnomeRemote() { QDBusConnection::disconnectFromBus("gnome-remote"); }

    bool start() {
        const QString mutter = "org.gnome.Mutter.RemoteDesktop";
        const QDBusMessage reply = m_bus.call(QDBusMessage::createMethodCall(
            mutter, "/org/gnome/Mutter/RemoteDesktop", mutter, "CreateSession"));
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return false;
        m_session = qvariant_cast<QDBusObjectPath>(reply.arguments().constFirst()).path();
        return call("Start", {}).type() == QDBusMessage::ReplyMessage;
    }
    QImage screenshot() {
        const QString file = QDir::temp().filePath(
            QStringLiteral("gnome-screenshot-%1.png").arg(QCoreApplication::applicationPid()));
        auto message = QDBusMessage::createMethodCall("org.gnome.Shell.Screenshot",
                                                      "/org/gnome/Shell/Screenshot",
                                                      "org.gnome.Shell.Screenshot", "Screenshot");
        message << false << false << file;
        QImage screen;
        if (m_bus.call(message, QDBus::Block, 20000).type() == QDBusMessage::ReplyMessage)
            screen.load(file);
        QFile::remove(file);
        return screen;
    }
    void click(QPoint at, int button) {
        call("NotifyPointerMotionRelative", {-5000.0, -5000.0});
        call("NotifyPointerMotionRelative", {double(at.x()), double(at.y())});
        // The kernel's codes for the left and right buttons.
        const int code = button == 1 ? 0x110 : 0x111;
        call("NotifyPointerButton", {code, true});
        call("NotifyPointerButton", {code, false});
    }
    void leaveOverview() {
        auto message = QDBusMessage::createMethodCall("org.gnome.Shell", "/org/gnome/Shell",
                                                      "org.freedesktop.DBus.Properties", "Set");
        message << QString("org.gnome.Shell") << QString("OverviewActive")
                << QVariant::fromValue(QDBusVariant(false));
        m_bus.call(message);
    }
    void pressKey(uint keysym) {
        call("NotifyKeyboardKeysym", {keysym, true});
        call("NotifyKeyboardKeysym", {keysym, false});
    }

private:
    QDBusMessage call(const QString& method, const QVariantList& arguments) {
        auto message =
            QDBusMessage::createMethodCall("org.gnome.Mutter.RemoteDesktop", m_session,
                                           "org.gnome.Mutter.RemoteDesktop.Session", method);
        message.setArguments(arguments);
        return m_bus.call(message);
    }

    QDBusConnection m_bus;
    QString m_session;
};

// Where the host draws: an X server shared by the rows, or a Wayland compositor of the row's
// own (sway headless, driven by a virtual pointer and keyboard; GNOME Shell headless, driven
// through its screenshot and remote-desktop interfaces).
enum class Session { X11, Sway, Gnome };

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
    Session session = Session::X11;
    // No tray: the program's window stands in for the item.
    bool tray = true;
    // Where the bar's own module shows tallyglass-inspect's line (see its config).
    QRect module = {};
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
    // waybar's tray at the right of its bar (see its config), on sway.
    {"sway_waybar", {"waybar"}, QRect(1040, 0, 240, 30), true, false, {}, {}, Session::Sway, true,
     QRect(0, 0, 300, 30)},
    {"sway_no_tray", {}, QRect(), false, false, {}, {}, Session::Sway, false},
    // The extension is the host: enabled once the shell runs, and disabled and enabled again
    // to restart it, as the shell itself cannot restart under Wayland.
    {"gnome_shell_wayland", {}, QRect(740, 0, 495, 32), true, true, {"XDG_CURRENT_DESKTOP=GNOME",
     "GSETTINGS_BACKEND=keyfile", "DBUS_SYSTEM_BUS_ADDRESS=unix:path={home}/system_bus"}, {},
     Session::Gnome},
};
// clang-format on

std::string hostName(const ::testing::TestParamInfo<Host>& info) {
    return info.param.name;
}

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
        bus = new PrivateBus;
        error += bus->error();
        prefix = new QTemporaryDir;
        const auto install = runProgram(
            TALLYGLASS_CMAKE, {"--install", TALLYGLASS_BINARY_DIR, "--prefix", prefix->path()});
        if (!install.ok())
            error += QString::fromUtf8(install.standardOutput + install.standardError);
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
        const bool x11 = host().session == Session::X11;
        if (x11 && !noServer.isEmpty())
            GTEST_SKIP() << "No X server: " << noServer.toStdString();
        // There, missing tools fail the row.
        if (!x11 && qEnvironmentVariableIsEmpty("TALLYGLASS_WAYLAND_ROOT"))
            GTEST_SKIP() << "Runs in the Debian 13 root of scripts/wayland-hosts";
        // Everything else the test command installs; missing, it is a failure, not a skip.
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        for (const QString& command : host().commands)
            ASSERT_FALSE(QStandardPaths::findExecutable(command.section(u' ', 0, 0)).isEmpty())
                << command.toStdString() << ": not installed (see TEST_PACKAGES)";
        ASSERT_TRUE(writeSnapshot(42));
        panelEnvironment = environment(hostHome.path());
        panelEnvironment.insert("PATH", prefix->filePath("bin:") + panelEnvironment.value("PATH"));
        panelEnvironment.insert("TALLYGLASS_HOME", home.path());
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
        current = host().session;
        if (host().session == Session::Sway)
            startSway();
        else if (host().session == Session::Gnome)
            startGnome();
    }
    void TearDown() override {
        if (app)
            endProcess(*app);
        for (auto* processes : {&panel, &session})
            for (auto it = processes->rbegin(); it != processes->rend(); ++it)
                endProcess(**it);
        wayland.clear();
        current = Session::X11;
        delete remoteDesktop;
        remoteDesktop = nullptr;
    }

    // Wayland compositors of the row's own, on a virtual screen of 1280 × 800; ready once the
    // screen can be read.
    void startSway() {
        for (const char* tool : {"sway", "grim", "wtype", "gdbus", TALLYGLASS_VIRTUAL_POINTER})
            ASSERT_FALSE(QStandardPaths::findExecutable(tool).isEmpty()) << tool;
        const QString config = hostHome.filePath("sway.conf");
        ASSERT_TRUE(writeFile(config, "output HEADLESS-1 mode 1280x800\nxwayland disable\n"
                                      "default_border none\n"));
        launch(session, "sway -c " + config,
               {"WLR_BACKENDS=headless", "WLR_RENDERER=pixman", "WLR_HEADLESS_OUTPUTS=1",
                "WLR_LIBINPUT_NO_DEVICES=1"});
        ASSERT_NO_FATAL_FAILURE(waitForCompositor());
        auto& process = session.emplace_back(std::make_unique<QProcess>());
        process->setProcessEnvironment(environment(QDir::tempPath()));
        process->start(TALLYGLASS_VIRTUAL_POINTER, {});
        pointer = process.get();
        ASSERT_TRUE(eventually([] { return pointer->canReadLine(); }))
            << pointer->readAllStandardError().toStdString();
        pointer->readLine();
        // And a keyboard throughout, so that wtype's own, for a moment, reaches clients that
        // have their keyboard already: one that sleeps for half an hour.
        launch(session, "wtype -s 1800000 -k Shift_L");
    }
    // The shell's own system bus stand-in; the extension is off until the host starts.
    void startGnome() {
        for (const char* tool : {"gnome-shell", "gnome-extensions", "dbus-daemon", "gdbus"})
            ASSERT_FALSE(QStandardPaths::findExecutable(tool).isEmpty()) << tool;
        launch(session, "dbus-daemon --nofork --config-file=" TALLYGLASS_HOSTS "/system-bus.conf "
                        "--address=unix:path={home}/system_bus");
        launch(session, "gnome-shell --headless --wayland --no-x11 --virtual-monitor 1280x800");
        ASSERT_NO_FATAL_FAILURE(waitForCompositor());
    }
    void waitForCompositor() {
        const QDir runtime(panelEnvironment.value("XDG_RUNTIME_DIR"));
        ASSERT_TRUE(eventually([&] {
            const QStringList sockets = runtime.entryList({"wayland-?"}, QDir::System);
            wayland = sockets.isEmpty() ? QString() : runtime.filePath(sockets.constFirst());
            return !wayland.isEmpty();
        })) << "no Wayland socket in "
            << runtime.path().toStdString();
        panelEnvironment.insert("WAYLAND_DISPLAY", wayland);
        if (host().session == Session::Gnome) {
            remoteDesktop = new GnomeRemote(bus->address());
            ASSERT_TRUE(eventually([] { return remoteDesktop->start(); }));
        }
        ASSERT_TRUE(eventually([] { return !screenshot().isNull(); }));
        // GNOME Shell starts in the overview, which the first click would leave.
        if (host().session == Session::Gnome) {
            settledScreen();
            remoteDesktop->leaveOverview();
        }
    }

    bool writeSnapshot(int session) {
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        const QString snapshot =
            R"({"updated_at":%1,"windows":{"five_hour":{"used_percentage":%4,)"
            R"("resets_at":%2},"seven_day":{"used_percentage":17,"resets_at":%3}}})";
        return writeFile(home.filePath(".claude/usage_snapshot.json"),
                         snapshot.arg(now).arg(now + 7200).arg(now + 300000).arg(session).toUtf8());
    }
    // The module's text once shown in its class's colour (see the host's style), as wide as
    // "42% · 17%" at the bar's font size.
    bool moduleShows(const QColor& colour, const char* when) {
        QImage screen;
        const bool shown = eventually([&] {
            const Foreground text = foreground(screen = screenshot(), host().module);
            return QColor(text.fill) == colour && text.bounds.width() >= 45 &&
                   text.bounds.width() <= 110;
        });
        save(screen, when);
        return shown;
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
        if (current == Session::X11) {
            environment.insert("DISPLAY", display);
            environment.insert("QT_QPA_PLATFORM", "xcb");
        } else {
            environment.remove("DISPLAY");
            environment.insert("QT_QPA_PLATFORM", "wayland");
            if (!wayland.isEmpty())
                environment.insert("WAYLAND_DISPLAY", wayland);
        }
        environment.insert("DBUS_SESSION_BUS_ADDRESS", bus->address());
        environment.insert("HOME", home);
        environment.insert("XDG_CONFIG_HOME", home + "/.config");
        environment.insert("XDG_RUNTIME_DIR", home + "/.runtime");
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
        if (!wayland.isEmpty())
            tools.insert("WAYLAND_DISPLAY", wayland);
        return runProgram(program, arguments, 20000, tools).standardOutput;
    }
    // Through a pipe: no file that is read half written, or that another test overwrites.
    static QImage screenshot() {
        if (host().session == Session::Gnome)
            return remoteDesktop->screenshot();
        if (host().session != Session::X11)
            return QImage::fromData(run("grim", {"-t", "ppm", "-"}), "PPM");
        return QImage::fromData(run("import", {"-window", "root", "ppm:-"}), "PPM");
    }
    // On Wayland, where no tool lists other programs' windows, seen on the screen: much of it
    // away from the bar changed since the desktop was bare.
    bool windowShown() const {
        if (host().session == Session::X11)
            return !run("xdotool", {"search", "--onlyvisible", "--name", '^' + title + '$'})
                        .trimmed()
                        .isEmpty();
        const QImage now = screenshot();
        int changed = 0;
        for (int y = host().bar.bottom() + 1; y < std::min(now.height(), bare.height()); ++y)
            for (int x = 0; x < std::min(now.width(), bare.width()); ++x)
                changed += now.pixel(x, y) != bare.pixel(x, y);
        return changed > 20000;
    }
    // Real input: xdotool on X11, Mutter's virtual devices on GNOME, the tests' own virtual
    // pointer on sway.
    static void click(QPoint at, int button = 1) {
        const QString x = QString::number(at.x()), y = QString::number(at.y());
        if (host().session == Session::Gnome)
            return remoteDesktop->click(at, button);
        if (host().session == Session::X11) {
            run("xdotool", {"mousemove", x, y, "click", QString::number(button)});
            return;
        }
        // The kernel's codes for the left and right buttons.
        pointer->write(
            QStringLiteral("%1 %2 %3\n").arg(x, y).arg(button == 1 ? 0x110 : 0x111).toUtf8());
        eventually([] { return pointer->canReadLine(); });
        pointer->readLine();
    }
    static void pressEscape() {
        if (host().session == Session::Gnome)
            remoteDesktop->pressKey(0xff1b);
        else if (host().session != Session::X11)
            run("wtype", {"-k", "Escape"});
        else
            run("xdotool", {"key", "Escape"});
    }
    static QString busProperty(const QString& dest, const QString& path, const QString& name) {
        const QString interface = path.mid(1).prepend("org.kde.");
        return QString::fromUtf8(
            run("gdbus", {"call", "--session", "--dest", dest, "--object-path", path, "--method",
                          "org.freedesktop.DBus.Properties.Get", interface, name}));
    }

    void launch(QString command) { launch(panel, command); }
    void launch(std::vector<std::unique_ptr<QProcess>>& processes, QString command,
                const QStringList& more = {}) {
        QStringList arguments = command.replace("{home}", hostHome.path()).split(u' ');
        auto& process = processes.emplace_back(std::make_unique<QProcess>());
        QProcessEnvironment environment = panelEnvironment;
        for (const QString& pair : more)
            environment.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
        process->setProcessEnvironment(environment);
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(panelLog, QIODevice::Append);
        process->start(arguments.takeFirst(), arguments);
        process->waitForStarted(10000);
    }
    void startPanel() {
        for (const QString& command : host().commands)
            launch(command);
        if (host().session == Session::Gnome)
            runProgram("gnome-extensions", {"enable", appIndicator}, 20000, panelEnvironment);
    }
    // Ends and starts again the panel itself, as after a crash.
    void restartPanel() {
        if (host().session == Session::Gnome) {
            runProgram("gnome-extensions", {"disable", appIndicator}, 20000, panelEnvironment);
            return startPanel();
        }
        endProcess(*panel.back());
        panel.pop_back();
        launch(host().commands.back());
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
        const bool shown = settle(screen, [&] {
            icon = foreground(screen, host().bar);
            contrast = highestContrast(screen.copy(icon.bounds), QColor(icon.background));
            const int width = icon.bounds.width();
            return icon.count >= 60 && (host().gnome ? width >= 60 : width <= 40) &&
                   contrast >= 3.0;
        });
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
    // Whether, within a minute, the screen (kept in `screen`) is as `ready` wants it and has not
    // changed for two seconds.
    static bool settle(QImage& screen, const std::function<bool()>& ready) {
        QElapsedTimer unchanged;
        return processEventsUntil(
            [&] {
                QImage now = screenshot();
                if (now != screen || !unchanged.isValid())
                    unchanged.start();
                screen = std::move(now);
                return ready() && unchanged.elapsed() >= 2000;
            },
            60000);
    }
    // The screen once it has not changed for two seconds: a desktop just started may still draw.
    static QImage settledScreen() {
        QImage screen;
        settle(screen, [] { return true; });
        return screen;
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
        // waybar's menus hear no keys on sway: its bar takes no keyboard focus.
        if (host().session == Session::Sway)
            click(QPoint(100, 700));
        else
            pressEscape();
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
    // The Wayland compositor and what it needs, for this row alone.
    std::vector<std::unique_ptr<QProcess>> session;
    static inline QString wayland;
    static inline QProcess* pointer = nullptr;
    // Of the row that runs: the X11 tools of the suite run before any.
    static inline Session current = Session::X11;
    static inline GnomeRemote* remoteDesktop = nullptr;
    // The screen before the program started.
    QImage bare;
};

TEST_P(Desktop, ClicksOpenThePanelAndTheMenu) {
    if (!host().tray)
        GTEST_SKIP() << "No tray: the window stands in for the item";
    startPanel();
    bare = settledScreen();
    startApp();
    const auto icon = waitForItem("bar");
    ASSERT_TRUE(icon);
    if (!host().module.isNull()) {
        EXPECT_TRUE(moduleShows(QColor(0x30, 0xdb, 0x5b), "module"));
        ASSERT_TRUE(writeSnapshot(93));
        EXPECT_TRUE(moduleShows(QColor(0xff, 0x69, 0x61), "module-changed"));
    }
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
        ASSERT_TRUE(eventually([this] { return windowShown(); }));
        if (round == 0)
            save(screenshot(), "panel");
        // On Wayland a click on the bare desktop takes the focus from no one, so the item's
        // second click; and once Escape, which only a panel that has the keyboard focus hears.
        if (host().session == Session::X11)
            click(QPoint(640, 500));
        else if (round == 1)
            pressEscape();
        else {
            processEventsFor(500); // not the same click to the host
            click(icon->bounds.center());
        }
        ASSERT_TRUE(eventually([this] { return !windowShown(); }));
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
    bare = settledScreen();
    startApp();
    // No panel yet: after a while the program opens its window instead.
    ASSERT_TRUE(eventually([this] { return windowShown(); }));
    if (!host().tray)
        return save(settledScreen(), "window");
    processEventsFor(5000 - 2000);
    startPanel();
    ASSERT_TRUE(waitForItem("late"));
    // Once the icon shows, the window that stood in for it goes.
    EXPECT_TRUE(eventually([this] { return !windowShown(); }));

    for (int restart = 0; restart < 3; ++restart) {
        SCOPED_TRACE(restart);
        restartPanel();
        ASSERT_TRUE(waitForItem("restarted"));
        // A restart is not a missing tray: no window stands in for the item meanwhile.
        EXPECT_FALSE(windowShown());
    }
}

INSTANTIATE_TEST_SUITE_P(Hosts, Desktop, ::testing::ValuesIn(hosts), hostName);

// The panel a click on the item opened, read as a screen reader reads it: over AT-SPI, from a
// real accessibility bus (at-spi2-core's launcher and registry) on the desktop's session bus.
class ScreenReader : public Desktop {};

TEST_P(ScreenReader, ReadsThePanelOpenedFromTheTray) {
    launch(session, "/usr/libexec/at-spi-bus-launcher --launch-immediately");
    QDBusConnection reader = bus->connect("screen-reader");
    ASSERT_TRUE(eventually([&] {
        return reader.interface()->isServiceRegistered("org.a11y.Bus").value();
    })) << "no accessibility bus (see TEST_PACKAGES)";
    // What a screen reader does when it starts: toolkits then export their widgets.
    auto enable = QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus",
                                                 "org.freedesktop.DBus.Properties", "Set");
    enable << QString("org.a11y.Status") << QString("ScreenReaderEnabled")
           << QVariant::fromValue(QDBusVariant(true));
    ASSERT_EQ(reader.call(enable).type(), QDBusMessage::ReplyMessage);
    startPanel();
    startApp();
    const auto icon = waitForItem("bar");
    ASSERT_TRUE(icon);
    click(icon->bounds.center());
    ASSERT_TRUE(eventually([this] { return windowShown(); }));
    const auto reading =
        runProgram(TALLYGLASS_PYTHON, {TALLYGLASS_ATSPI_READER, QString::number(app->processId())},
                   60000, environment(QDir::tempPath()));
    EXPECT_TRUE(reading.ok()) << reading.standardOutput.toStdString()
                              << reading.standardError.toStdString();
}

// One host with a tray a user has is enough: what it reads is the program's own.
INSTANTIATE_TEST_SUITE_P(Hosts, ScreenReader,
                         ::testing::Values(*std::find_if(std::begin(hosts), std::end(hosts),
                                                         [](const Host& host) {
                                                             return host.name == "xfce4_panel"sv;
                                                         })),
                         hostName);

} // namespace
