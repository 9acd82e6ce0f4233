// The installed program on a real X server with a real XEmbed tray and a real session bus.
// Screenshots are kept in the build folder (tests/e2e/artefacts) to look at.
#include "desktop_session.h"
#include "panel_probe.h"
#include "support/event_loop.h"
#include "support/process_run.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

using namespace tallyglass::testing;

// Readable failure messages.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

const QString firstSummary = QStringLiteral("42% \u00B7 17%");
const QString secondSummary = QStringLiteral("55% \u00B7 20%");
// Fewer pixels than this in the tray are not an 18 x 16 icon.
constexpr int iconPixelsAtLeast = 60;

QString artefact(const QString& name) {
    return QStringLiteral(TALLYGLASS_ARTEFACTS "/") + name;
}

// The program as a user's desktop starts it, with its own home; ended with this object.
class RunningApp {
public:
    RunningApp(const QString& program, const QProcessEnvironment& environment) {
        m_process.setProcessEnvironment(environment);
        m_process.start(program, {});
        m_process.waitForStarted(5000);
    }
    ~RunningApp() {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }
    qint64 pid() const { return m_process.processId(); }
    bool running() const { return m_process.state() == QProcess::Running; }
    QProcess& process() { return m_process; }
    QString output() { return QString::fromUtf8(m_process.readAllStandardError()); }

private:
    QProcess m_process;
};

class Desktop : public ::testing::Test {
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
        writeSnapshot(42, 17);
        // Whatever ran before has left the tray empty.
        ASSERT_TRUE(processEventsUntil([] { return trayIcon().count == 0; }, 5000));
    }

    void writeSnapshot(double fiveHour, double sevenDay) {
        const double now = QDateTime::currentSecsSinceEpoch();
        const QString json =
            QStringLiteral("{\"updated_at\":%1,\"windows\":{"
                           "\"five_hour\":{\"used_percentage\":%2,\"resets_at\":%3,"
                           "\"window_minutes\":300},"
                           "\"seven_day\":{\"used_percentage\":%4,\"resets_at\":%5,"
                           "\"window_minutes\":10080}}}")
                .arg(now, 0, 'f', 0)
                .arg(fiveHour)
                .arg(now + 7200, 0, 'f', 0)
                .arg(sevenDay)
                .arg(now + 300000, 0, 'f', 0);
        QDir().mkpath(home.filePath(QStringLiteral(".claude")));
        QSaveFile file(home.filePath(QStringLiteral(".claude/usage_snapshot.json")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(json.toUtf8());
        ASSERT_TRUE(file.commit());
    }

    std::unique_ptr<RunningApp> start() {
        return std::make_unique<RunningApp>(prefix->filePath(QStringLiteral("bin/tallyglass")),
                                            session->environment(home.path()));
    }

    // Whether this build reads Claude Code's snapshot at all; its summary when it does.
    std::optional<QString> claudeSummary() {
        const auto inspect = runProgram(prefix->filePath(QStringLiteral("bin/tallyglass-inspect")),
                                        {}, 20000, session->environment(home.path()));
        const auto sources = QJsonDocument::fromJson(inspect.standardOutput)[u"sources"].toArray();
        for (const QJsonValue& source : sources) {
            if (source[u"kind"].toString() == u"claude")
                return source[u"summary"].toString();
        }
        return std::nullopt;
    }

    // The snapshot the panel shows: none while this build has no Claude Code source.
    QString snapshotForPanel() {
        return claudeSummary() ? home.filePath(QStringLiteral(".claude/usage_snapshot.json"))
                               : QString();
    }

    static Foreground trayIcon() {
        return foreground(session->screenshot(), session->trayGeometry());
    }

    // Polls the tray until the icon is in it; how long that took, or -1.
    static qint64 waitForTrayIcon(int timeoutMs = 15000) {
        QElapsedTimer clock;
        clock.start();
        if (!processEventsUntil([] { return trayIcon().count >= iconPixelsAtLeast; }, timeoutMs))
            return -1;
        return clock.elapsed();
    }

    static inline DesktopSession* session = nullptr;
    static inline QTemporaryDir* prefix = nullptr;
    static inline QString installError;
    QTemporaryDir home;
};

// Calls a method of the item with gdbus, a client of the bus that is not Qt; its answer as
// gdbus prints it, or the error.
QString gdbusCall(const QString& address, const QString& service, const QString& method,
                  const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
    // gdbus prints what the locale cannot show as '?'; C.UTF-8 is always there.
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    const QStringList call{QStringLiteral("call"),          QStringLiteral("--session"),
                           QStringLiteral("--dest"),        service,
                           QStringLiteral("--object-path"), QStringLiteral("/StatusNotifierItem"),
                           QStringLiteral("--method"),      method};
    const auto reply = runProgram(QStringLiteral("gdbus"), call + arguments, 10000, environment);
    return QString::fromUtf8(reply.ok() ? reply.standardOutput : reply.standardError).trimmed();
}

QString gdbusProperty(const QString& address, const QString& service, const QString& name) {
    return gdbusCall(address, service, QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                     {QStringLiteral("org.kde.StatusNotifierItem"), name});
}

// gdbus prints a string property as (<'text'>,).
QString quoted(const QString& text) {
    return QStringLiteral("(<'%1'>,)").arg(text);
}

// The minimal watcher, a process of its own on the session's bus.
class Watcher {
public:
    explicit Watcher(const DesktopSession& session) {
        m_process.setProcessEnvironment(session.environment(QDir::tempPath()));
        m_process.start(QStringLiteral(TALLYGLASS_SNI_WATCHER), {});
        m_ready = waitFor(QStringLiteral("ready"), 10000).has_value();
    }
    ~Watcher() {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    bool ready() const { return m_ready; }
    void stop() {
        m_process.kill();
        m_process.waitForFinished(2000);
    }

    // Waits for a line starting with the text; its remainder.
    std::optional<QString> waitFor(const QString& start, int timeoutMs) {
        std::optional<QString> found;
        processEventsUntil(
            [&] {
                while (m_process.canReadLine()) {
                    const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
                    m_lines.append(line);
                    if (!found && line.startsWith(start))
                        found = line.mid(start.size()).trimmed();
                }
                return found.has_value() || m_process.state() == QProcess::NotRunning;
            },
            timeoutMs);
        return found;
    }
    const QStringList& lines() const { return m_lines; }

private:
    QProcess m_process;
    QStringList m_lines;
    bool m_ready = false;
};

TEST_F(Desktop, XEmbedTrayShowsTheIcon) {
    auto app = start();
    const qint64 elapsed = waitForTrayIcon();
    const QImage screen = session->screenshot(artefact(QStringLiteral("tray-xembed.png")));
    ASSERT_GE(elapsed, 0) << "no icon in the tray; the program said: "
                          << app->output().toStdString();
    std::printf("[ measure ] icon in the XEmbed tray %lld ms after start\n",
                static_cast<long long>(elapsed));
    const Foreground icon = foreground(screen, session->trayGeometry());
    // The 18 x 16 icon fitted into the tray's square: as wide as it is, a bit less tall.
    EXPECT_GE(icon.bounds.width(), 14);
    EXPECT_LE(icon.bounds.width(), 26);
    EXPECT_LT(icon.bounds.height(), icon.bounds.width());
    EXPECT_TRUE(app->running());
}

TEST_F(Desktop, StatusNotifierItemCarriesTheSummaryAndNoSecondIcon) {
    Watcher watcher(*session);
    ASSERT_TRUE(watcher.ready()) << watcher.lines().join(u'\n').toStdString();
    auto app = start();
    const auto service = watcher.waitFor(QStringLiteral("registered"), 15000);
    ASSERT_TRUE(service) << watcher.lines().join(u'\n').toStdString();
    EXPECT_EQ(*service, QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(app->pid()));
    const QString address = session->busAddress();

    EXPECT_EQ(gdbusProperty(address, *service, QStringLiteral("Id")),
              quoted(QStringLiteral("tallyglass")));
    EXPECT_EQ(gdbusProperty(address, *service, QStringLiteral("Category")),
              quoted(QStringLiteral("ApplicationStatus")));
    EXPECT_EQ(gdbusProperty(address, *service, QStringLiteral("ItemIsMenu")),
              QStringLiteral("(<false>,)"));
    const QString pixmaps = gdbusProperty(address, *service, QStringLiteral("IconPixmap"));
    QStringList sizes;
    const QRegularExpression size(QStringLiteral("\\((\\d+), (\\d+), \\["));
    for (auto it = size.globalMatch(pixmaps); it.hasNext();) {
        const auto match = it.next();
        sizes.append(match.captured(1) + u'x' + match.captured(2));
    }
    EXPECT_EQ(sizes, QStringList({QStringLiteral("16x16"), QStringLiteral("22x22"),
                                  QStringLiteral("24x24"), QStringLiteral("32x32")}));

    // Qt's own tray icon would speak to the watcher too, or dock in the XEmbed tray: neither.
    processEventsFor(1500);
    session->screenshot(artefact(QStringLiteral("tray-with-watcher.png")));
    EXPECT_EQ(trayIcon().count, 0);
    EXPECT_EQ(watcher.lines().filter(QStringLiteral("registered")).size(), 1)
        << watcher.lines().join(u'\n').toStdString();

    const auto summary = claudeSummary();
    if (!summary)
        GTEST_SKIP() << "The Claude Code source is not in this build, so there is no summary "
                        "to follow: label steps skipped";
    ASSERT_EQ(*summary, firstSummary);
    ASSERT_TRUE(processEventsUntil(
        [&] {
            return gdbusProperty(address, *service, QStringLiteral("XAyatanaLabel")) ==
                   quoted(firstSummary);
        },
        15000))
        << gdbusProperty(address, *service, QStringLiteral("XAyatanaLabel")).toStdString();
    EXPECT_EQ(gdbusProperty(address, *service, QStringLiteral("XAyatanaLabelGuide")),
              quoted(QStringLiteral("100% \u00B7 100%")));

    // A new reading reaches the label within one refresh, and the host hears of it.
    writeSnapshot(55, 20);
    EXPECT_TRUE(watcher.waitFor(QStringLiteral("label %1 %2").arg(*service, secondSummary), 15000))
        << watcher.lines().join(u'\n').toStdString();
    EXPECT_EQ(gdbusProperty(address, *service, QStringLiteral("XAyatanaLabel")),
              quoted(secondSummary));
}

TEST_F(Desktop, MovesBetweenTrayAndWatcherShowingOneItem) {
    auto app = start();
    ASSERT_GE(waitForTrayIcon(), 0) << app->output().toStdString();

    auto watcher = std::make_unique<Watcher>(*session);
    ASSERT_TRUE(watcher->ready());
    ASSERT_TRUE(watcher->waitFor(QStringLiteral("registered"), 10000));
    EXPECT_TRUE(processEventsUntil([] { return trayIcon().count == 0; }, 5000))
        << "the XEmbed icon stayed beside the StatusNotifierItem";

    watcher->stop();
    EXPECT_GE(waitForTrayIcon(), 0) << "no XEmbed icon after the watcher went";
    session->screenshot(artefact(QStringLiteral("tray-after-watcher.png")));
}

TEST_F(Desktop, TrayClickOpensThePanelAndQuitEndsTheProgram) {
    auto app = start();
    ASSERT_GE(waitForTrayIcon(), 0) << app->output().toStdString();
    session->click(trayIcon().centre);
    std::optional<QRect> panel;
    ASSERT_TRUE(processEventsUntil(
        [&] { return (panel = session->visibleWindow(QStringLiteral("Tallyglass"))).has_value(); },
        10000));
    const QImage screen = session->screenshot(artefact(QStringLiteral("panel-xembed.png")));
    const PanelProbe probe = probePanel(snapshotForPanel());
    EXPECT_EQ(panel->size(), probe.size);
    // Attached to the tray: it hangs below the top edge, right-aligned within the screen.
    EXPECT_LT(panel->top(), 80);
    EXPECT_LE(panel->right(), 1279);
    // Two rows of title, percentage and bar, pixel for pixel as the same view draws here.
    ASSERT_EQ(probe.fixedParts.size(), 6);
    for (qsizetype i = 0; i < probe.fixedParts.size(); ++i) {
        const QRect area = probe.fixedParts[i].translated(panel->topLeft());
        EXPECT_EQ(differingPixels(screen.copy(area), probe.fixedImages[i]), 0)
            << "at " << area.x() << "," << area.y() << "; see panel-xembed.png";
    }

    session->click(panel->topLeft() + probe.quit);
    EXPECT_TRUE(app->process().waitForFinished(10000)) << "Quit did not end the program";
    EXPECT_EQ(app->process().exitCode(), 0);
}

TEST_F(Desktop, HostActivationOpensThePanel) {
    Watcher watcher(*session);
    ASSERT_TRUE(watcher.ready());
    auto app = start();
    const auto service = watcher.waitFor(QStringLiteral("registered"), 15000);
    ASSERT_TRUE(service);
    EXPECT_EQ(gdbusCall(session->busAddress(), *service,
                        QStringLiteral("org.kde.StatusNotifierItem.Activate"),
                        {QStringLiteral("1200"), QStringLiteral("14")}),
              QStringLiteral("()"));
    std::optional<QRect> panel;
    ASSERT_TRUE(processEventsUntil(
        [&] { return (panel = session->visibleWindow(QStringLiteral("Tallyglass"))).has_value(); },
        10000));
    session->screenshot(artefact(QStringLiteral("panel-status-notifier.png")));
    // Near the point the host named.
    EXPECT_LT(std::abs(panel->center().x() - 1200), panel->width());
    EXPECT_LT(panel->top(), 80);
    const PanelProbe probe = probePanel(snapshotForPanel());
    session->click(panel->topLeft() + probe.quit);
    EXPECT_TRUE(app->process().waitForFinished(10000)) << "Quit did not end the program";
}

} // namespace
