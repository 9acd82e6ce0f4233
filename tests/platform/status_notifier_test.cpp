#include "platform/linux/dbus_menu_types.h"
#include "platform/linux/freedesktop_status_item.h"
#include "platform/linux/sni_types.h"
#include "platform/linux/status_notifier_adaptor.h"
#include "platform/linux/status_notifier_item.h"
#include "support/event_loop.h"
#include "support/mini_watcher.h"
#include "support/private_bus.h"
#include "ui/tray_icon.h"

#include <gtest/gtest.h>

#include <QDBusMessage>
#include <QDBusVariant>
#include <QStringList>

#include <memory>

using namespace tallyglass;
using namespace tallyglass::testing;

namespace {

const QString summary = QStringLiteral("42% \u00B7 17%");

// Writes down the item's signals as they arrive over the bus.
class SignalLog final : public QObject {
    Q_OBJECT

public:
    QStringList lines;

public slots:
    void label(const QString& label, const QString& guide) {
        lines.append(QStringLiteral("label %1 | %2").arg(label, guide));
    }
    void icon() { lines.append(QStringLiteral("icon")); }
};

// One private bus per case, with the program's connection, the watcher's and a client's,
// each a separate peer as on a desktop.
class StatusNotifier : public ::testing::Test {
protected:
    void SetUp() override {
        if (bus.address().isEmpty())
            GTEST_SKIP() << bus.error().toStdString();
        app = bus.connect(QStringLiteral("app"));
        host = bus.connect(QStringLiteral("host"));
        client = bus.connect(QStringLiteral("client"));
    }

    QDBusMessage call(const QString& service, const QString& interface, const QString& method,
                      const QVariantList& arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            service, QStringLiteral("/StatusNotifierItem"), interface, method);
        message.setArguments(arguments);
        // The item answers from this thread's event loop, so wait with it running.
        return client.call(message, QDBus::BlockWithGui, 5000);
    }

    QVariant property(const QString& service, const QString& name) {
        const QDBusMessage reply =
            call(service, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                 {QStringLiteral("org.kde.StatusNotifierItem"), name});
        if (reply.type() != QDBusMessage::ReplyMessage)
            return {};
        return qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant();
    }

    PrivateBus bus;
    QDBusConnection app{QString()};
    QDBusConnection host{QString()};
    QDBusConnection client{QString()};
};

TEST(SniPixmap, ArgbInNetworkOrderWithoutPremultiplication) {
    QImage image(2, 1, QImage::Format_ARGB32_Premultiplied);
    image.setPixel(0, 0, qRgba(200, 100, 50, 255));
    image.setPixel(1, 0, qPremultiply(qRgba(0, 0, 255, 128)));
    const SniPixmap pixmap = sniPixmap(image);
    EXPECT_EQ(pixmap.width, 2);
    EXPECT_EQ(pixmap.height, 1);
    const QByteArray expected("\xFF\xC8\x64\x32\x80\x00\x00\xFF", 8);
    EXPECT_EQ(pixmap.argb.toHex(), expected.toHex());
}

TEST_F(StatusNotifier, PublishesTheItemWithLabelIconToolTipAndMenu) {
    MiniWatcher watcher(host);
    ASSERT_TRUE(watcher.isRunning());
    FreedesktopStatusItem item(app);
    ASSERT_TRUE(item.usesStatusNotifier());
    item.setContent(trayIcon(), summary);
    ASSERT_TRUE(processEventsUntil([&] { return item.isShown(); }));
    ASSERT_EQ(watcher.items().size(), 1);
    const QString service = watcher.items().constFirst();
    EXPECT_TRUE(service.startsWith(QStringLiteral("org.kde.StatusNotifierItem-")));

    const std::pair<const char*, QVariant> expected[] = {
        {"Category", QStringLiteral("ApplicationStatus")},
        {"Id", QStringLiteral("tallyglass")},
        {"Status", QStringLiteral("Active")},
        {"ItemIsMenu", false},
        {"XAyatanaLabel", summary},
        {"XAyatanaLabelGuide", QStringLiteral("100% \u00B7 100%")},
        {"Menu", QVariant::fromValue(QDBusObjectPath(QStringLiteral("/MenuBar")))},
    };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(property(service, QLatin1String(name)), value) << name;

    registerSniTypes();
    const auto pixmaps = qdbus_cast<SniPixmapList>(property(service, QStringLiteral("IconPixmap")));
    QList<int> sides;
    for (const SniPixmap& pixmap : pixmaps) {
        sides.append(pixmap.width);
        EXPECT_EQ(pixmap.argb.size(), pixmap.width * pixmap.height * 4);
    }
    EXPECT_EQ(sides, QList<int>({16, 22, 24, 32, 48, 64}));
    // LXQt shows the title alone.
    const auto toolTip = qdbus_cast<SniToolTip>(property(service, QStringLiteral("ToolTip")));
    EXPECT_EQ(toolTip.title, QStringLiteral("Tallyglass: ") + summary);
    EXPECT_EQ(toolTip.description, summary);

    // The menu as hosts read it, and a click on one of its entries.
    registerDBusMenuTypes();
    QDBusMessage get = QDBusMessage::createMethodCall(service, QStringLiteral("/MenuBar"),
                                                      QStringLiteral("com.canonical.dbusmenu"),
                                                      QStringLiteral("GetLayout"));
    get << 0 << -1 << QStringList();
    const QDBusMessage layoutReply = client.call(get, QDBus::BlockWithGui, 5000);
    ASSERT_EQ(layoutReply.arguments().size(), 2) << layoutReply.errorMessage().toStdString();
    const auto layout = qdbus_cast<DBusMenuLayout>(layoutReply.arguments().at(1));
    QStringList lines;
    int refreshId = -1;
    for (const DBusMenuLayout& entry : layout.children) {
        const QString label = entry.properties.value(QStringLiteral("label")).toString();
        const bool enabled = entry.properties.value(QStringLiteral("enabled"), true).toBool();
        lines.append(label.isEmpty() ? QStringLiteral("--") : label + (enabled ? "" : " (off)"));
        if (label == QStringLiteral("Refresh"))
            refreshId = entry.id;
    }
    EXPECT_EQ(lines, QStringList({QStringLiteral("Tallyglass: ") + summary + " (off)", "--",
                                  "Show Usage", "Refresh", "--", "Quit Tallyglass"}));
    std::vector<MenuCommand> chosen;
    QObject::connect(&item, &StatusItem::commandChosen,
                     [&](MenuCommand command) { chosen.push_back(command); });
    QDBusMessage click = QDBusMessage::createMethodCall(service, QStringLiteral("/MenuBar"),
                                                        QStringLiteral("com.canonical.dbusmenu"),
                                                        QStringLiteral("Event"));
    click << refreshId << QStringLiteral("clicked") << QVariant::fromValue(QDBusVariant(0)) << 0u;
    client.call(click, QDBus::BlockWithGui, 5000);
    ASSERT_TRUE(processEventsUntil([&] { return !chosen.empty(); }));
    EXPECT_EQ(chosen, std::vector<MenuCommand>{MenuCommand::refresh});
}

TEST_F(StatusNotifier, SignalsOnlyWhatChangedAndOnlyOnceTheHostHasLooked) {
    MiniWatcher watcher(host);
    FreedesktopStatusItem item(app);
    item.setContent(trayIcon(), summary);
    ASSERT_TRUE(processEventsUntil([&] { return item.isShown(); }));
    const QString service = watcher.items().constFirst();
    const QString path = QStringLiteral("/StatusNotifierItem");
    const QString interface = QStringLiteral("org.kde.StatusNotifierItem");
    SignalLog log;
    ASSERT_TRUE(client.connect(service, path, interface, QStringLiteral("XAyatanaNewLabel"), &log,
                               SLOT(label(QString, QString))));
    ASSERT_TRUE(
        client.connect(service, path, interface, QStringLiteral("NewIcon"), &log, SLOT(icon())));
    // Nobody has read the item yet: changes wait for the host's first look.
    item.setContent(trayIcon(), QStringLiteral("50% \u00B7 20%"));
    processEventsFor(200);
    EXPECT_TRUE(log.lines.isEmpty()) << log.lines.join(u'\n').toStdString();
    EXPECT_EQ(property(service, QStringLiteral("XAyatanaLabel")), QStringLiteral("50% \u00B7 20%"));

    item.setContent(trayIcon(), QStringLiteral("55% \u00B7 20%"));
    item.setContent(trayIcon(), QStringLiteral("55% \u00B7 20%"));
    item.setContent(QIcon(trayIcon().pixmap(QSize(64, 64), 1.0)), QStringLiteral("55% \u00B7 20%"));
    item.setContent(trayIcon(), std::nullopt);
    ASSERT_TRUE(processEventsUntil([&] { return log.lines.size() >= 4; }));
    processEventsFor(200);
    EXPECT_EQ(log.lines, QStringList({QStringLiteral("label 55% \u00B7 20% | 100% \u00B7 100%"),
                                      QStringLiteral("icon"), QStringLiteral("icon"),
                                      QStringLiteral("label  | 100% \u00B7 100%")}));
}

TEST_F(StatusNotifier, RegistersAgainWhenDroppedAndGivesUpInTheEnd) {
    MiniWatcher watcher(host);
    FreedesktopStatusItem item(app);
    item.setContent(trayIcon(), summary);
    ASSERT_TRUE(processEventsUntil([&] { return item.isShown(); }));
    // A host that lost the item: it comes back by itself.
    watcher.dropAll();
    ASSERT_TRUE(watcher.items().isEmpty());
    ASSERT_TRUE(processEventsUntil([&] { return watcher.items().size() == 1; }, 5000));
    EXPECT_TRUE(processEventsUntil([&] { return item.isShown(); }, 5000));

    // A host that never keeps it: a few tries, then the item counts as not shown.
    watcher.setDropItems(true);
    int registrations = 0;
    QObject::connect(&watcher, &MiniWatcher::itemRegistered, [&] { ++registrations; });
    watcher.dropAll();
    processEventsUntil([&] { return registrations >= StatusNotifierItem::registrationAttempts; },
                       10000);
    processEventsFor(StatusNotifierItem::retryDelayMs + StatusNotifierItem::confirmDelayMs);
    EXPECT_FALSE(item.isShown());
    EXPECT_EQ(registrations, StatusNotifierItem::registrationAttempts);
}

TEST_F(StatusNotifier, WaitsForAHostBeforeLeavingTheTray) {
    MiniWatcher watcher(host, false);
    FreedesktopStatusItem item(app);
    ASSERT_TRUE(processEventsUntil([&] { return !item.usesStatusNotifier(); }));
    processEventsFor(200);
    EXPECT_FALSE(item.isShown());
    watcher.setHostRegistered(true);
    ASSERT_TRUE(processEventsUntil([&] { return item.usesStatusNotifier() && item.isShown(); }));
    EXPECT_EQ(watcher.items().size(), 1);

    watcher.setHostRegistered(false);
    ASSERT_TRUE(processEventsUntil([&] { return !item.usesStatusNotifier(); }));
    // Giving up the bus name is how the watcher learns the item went.
    EXPECT_TRUE(processEventsUntil([&] { return watcher.items().isEmpty(); }));
}

} // namespace

#include "status_notifier_test.moc"
