#include "app/tallyglass_app.h"
#include "platform/linux/freedesktop_notifier.h"
#include "support/event_loop.h"
#include "support/fake_clock.h"
#include "support/fake_login_item.h"
#include "support/fake_source.h"
#include "support/fake_status_item.h"
#include "support/private_bus.h"
#include "support/temp_home.h"

#include <QDBusConnectionInterface>

#include <gtest/gtest.h>

using namespace tallyglass;
using namespace tallyglass::testing;

namespace {

constexpr double now = 1'800'000'000;

UsageSnapshot reading(double percentage) {
    return {now - 30, {}, {}, {{"five_hour", {percentage, now + 3600, 300}}}};
}

// A real notification server: dunst on a display of its own, printing what it receives.
class NotificationServer {
public:
    explicit NotificationServer(const QString& busAddress) {
        m_display.start(QStringLiteral("Xvfb"),
                        {QStringLiteral("-displayfd"), QStringLiteral("1"),
                         QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        m_display.waitForReadyRead(10000);
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"),
                           QLatin1Char(':') + QString::fromLatin1(m_display.readLine().trimmed()));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        m_server.setProcessEnvironment(environment);
        m_server.start(QStringLiteral("dunst"), {QStringLiteral("-print")});
    }
    ~NotificationServer() {
        for (QProcess* process : {&m_server, &m_display}) {
            process->terminate();
            process->waitForFinished(3000);
        }
    }
    QString received() {
        m_printed += QString::fromUtf8(m_server.readAllStandardOutput());
        return m_printed;
    }
    qsizetype count() { return received().count(QStringLiteral("appname: 'Tallyglass'")); }

private:
    QProcess m_display, m_server;
    QString m_printed;
};

class WarningsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(bus.address().isEmpty()) << bus.error().toStdString();
        QDBusConnection probe = bus.connect(QStringLiteral("probe"));
        ASSERT_TRUE(processEventsUntil([&] {
            return probe.interface()->isServiceRegistered(
                QStringLiteral("org.freedesktop.Notifications"));
        })) << "dunst did not start";
        claude->setResult(reading(50));
        codex->setResult(reading(10));
        start();
    }
    void start() {
        auto item = std::make_unique<FakeStatusItem>();
        tray = item.get();
        app.reset();
        app = std::make_unique<TallyglassApp>(fakeSources(claude, codex), clock, std::move(item),
                                              std::make_shared<FakeLoginItem>(), nullptr,
                                              std::make_unique<FreedesktopNotifier>(bus.connect(
                                                  QStringLiteral("app%1").arg(++starts))));
        ASSERT_TRUE(processEventsUntil([&] { return app->model().snapshot().has_value(); }));
    }
    // Reads both assistants and waits until the server has this many notifications.
    void refreshUntil(qsizetype count) {
        const std::size_t loads = codex->count("loadSnapshot");
        app->model().refresh();
        ASSERT_TRUE(processEventsUntil([&] { return codex->count("loadSnapshot") > loads; }));
        processEventsUntil([&] { return server.count() > count; }, 700);
        ASSERT_EQ(server.count(), count) << server.received().toStdString();
    }

    TempHome home;
    PrivateBus bus;
    NotificationServer server{bus.address()};
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>(now);
    std::shared_ptr<FakeSource::State> claude = std::make_shared<FakeSource::State>();
    std::shared_ptr<FakeSource::State> codex = std::make_shared<FakeSource::State>();
    std::unique_ptr<TallyglassApp> app;
    FakeStatusItem* tray = nullptr;
    int starts = 0;
};

TEST_F(WarningsTest, EachCrossingAndResetReachesTheServerOnce) {
    refreshUntil(0);
    claude->setResult(reading(85));
    refreshUntil(1);
    EXPECT_TRUE(server.received().contains(
        QStringLiteral("summary: 'Claude Code'\n\tbody: 'Current session (5h) is at 85%")));
    // The assistant the panel does not show is watched too.
    codex->setResult(reading(96));
    refreshUntil(2);
    EXPECT_TRUE(server.received().contains(QStringLiteral("summary: 'Codex'")));
    EXPECT_TRUE(server.received().contains(QStringLiteral("urgency: CRITICAL")));
    EXPECT_TRUE(server.received().contains(QStringLiteral("\"default\": \"Show usage\"")));
    refreshUntil(2);

    auto preferences = app->model().preferences();
    preferences.bothInTray = true;
    app->model().setPreferences(preferences);
    EXPECT_EQ(tray->summaries.back(), QStringLiteral("C 85% \u00B7 X 96%"));

    start();
    refreshUntil(2);
    claude->setResult(reading(100));
    refreshUntil(3);
    clock->set(now + 3700);
    refreshUntil(4);
    EXPECT_TRUE(server.received().contains(
        QStringLiteral("Current session (5h) has reset: you can work again")));
    start();
    refreshUntil(4);
}

// Labels come from the assistants' files: a server that reads markup gets them escaped.
TEST_F(WarningsTest, AMarkupServerGetsTheBodyEscaped) {
    FreedesktopNotifier notifier(bus.connect(QStringLiteral("markup")));
    notifier.notify(QStringLiteral("Codex"), QStringLiteral("<b>Spark</b> & co is at 80%"), false);
    ASSERT_TRUE(processEventsUntil([&] { return server.count() == 1; }));
    EXPECT_TRUE(server.received().contains(
        QStringLiteral("body: '&lt;b&gt;Spark&lt;/b&gt; &amp; co is at 80%'")))
        << server.received().toStdString();
}

} // namespace
