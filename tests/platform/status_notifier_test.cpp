#include "platform/freedesktop_status_item.h"
#include "platform/sni_types.h"
#include "platform/status_notifier_adaptor.h"
#include "platform/status_notifier_item.h"
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

    QDBusMessage activate(const QString& service, const QString& method, int x, int y) {
        return call(service, QStringLiteral("org.kde.StatusNotifierItem"), method, {x, y});
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

TEST_F(StatusNotifier, PublishesTheItemWithLabelIconAndToolTip) {
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
        {"Title", QStringLiteral("Tallyglass")},
        {"Status", QStringLiteral("Active")},
        {"ItemIsMenu", false},
        {"XAyatanaLabel", summary},
        {"XAyatanaLabelGuide", QStringLiteral("100% \u00B7 100%")},
    };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(property(service, QLatin1String(name)), value) << name;

    registerSniTypes();
    const auto pixmaps = qdbus_cast<SniPixmapList>(property(service, QStringLiteral("IconPixmap")));
    QList<int> sides;
    for (const SniPixmap& pixmap : pixmaps) {
        sides.append(pixmap.width);
        EXPECT_EQ(pixmap.height, pixmap.width);
        EXPECT_EQ(pixmap.argb.size(), pixmap.width * pixmap.height * 4);
        // White where the icon is drawn: some pixel is opaque white.
        EXPECT_TRUE(pixmap.argb.contains(QByteArray("\xFF\xFF\xFF\xFF", 4)));
    }
    EXPECT_EQ(sides, QList<int>({16, 22, 24, 32}));
    const auto toolTip = qdbus_cast<SniToolTip>(property(service, QStringLiteral("ToolTip")));
    EXPECT_EQ(toolTip.title, QStringLiteral("Tallyglass"));
    EXPECT_EQ(toolTip.description, summary);
}

TEST_F(StatusNotifier, SignalsOnlyWhatChanged) {
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
    // A round trip makes sure the match rules are in place before anything is sent.
    property(service, QStringLiteral("Id"));

    item.setContent(trayIcon(), QStringLiteral("55% \u00B7 20%"));
    item.setContent(trayIcon(), QStringLiteral("55% \u00B7 20%"));
    item.setContent(trayIcon(), QStringLiteral("55% \u00B7 20%"));
    item.setContent(trayIcon(), std::nullopt);
    ASSERT_TRUE(processEventsUntil([&] { return log.lines.size() >= 3; }));
    processEventsFor(200);
    EXPECT_EQ(log.lines,
              QStringList({QStringLiteral("label 55% \u00B7 20% | 100% \u00B7 100%"),
                           QStringLiteral("icon"), QStringLiteral("label  | 100% \u00B7 100%")}));
    EXPECT_EQ(property(service, QStringLiteral("XAyatanaLabel")), QString());
}

TEST_F(StatusNotifier, ClicksFromTheHostBecomeActivations) {
    MiniWatcher watcher(host);
    FreedesktopStatusItem item(app);
    item.setContent(trayIcon(), summary);
    ASSERT_TRUE(processEventsUntil([&] { return item.isShown(); }));
    const QString service = watcher.items().constFirst();
    std::vector<std::optional<QPoint>> positions;
    QObject::connect(&item, &StatusItem::activated,
                     [&](std::optional<QPoint> position) { positions.push_back(position); });

    EXPECT_EQ(activate(service, QStringLiteral("Activate"), 1200, 14).type(),
              QDBusMessage::ReplyMessage);
    EXPECT_EQ(activate(service, QStringLiteral("ContextMenu"), 30, 780).type(),
              QDBusMessage::ReplyMessage);
    // The origin is what hosts send when they do not know where the click was.
    activate(service, QStringLiteral("Activate"), 0, 0);
    EXPECT_EQ(activate(service, QStringLiteral("SecondaryActivate"), 5, 5).type(),
              QDBusMessage::ReplyMessage);
    ASSERT_TRUE(processEventsUntil([&] { return positions.size() >= 3; }));
    processEventsFor(100);
    EXPECT_EQ(positions, (std::vector<std::optional<QPoint>>{QPoint(1200, 14), QPoint(30, 780),
                                                             std::nullopt}));
}

TEST_F(StatusNotifier, FollowsTheWatcherAsItComesAndGoes) {
    FreedesktopStatusItem item(app);
    EXPECT_FALSE(item.usesStatusNotifier());
    int hostChanges = 0;
    QObject::connect(&item, &StatusItem::hostChanged, [&] { ++hostChanges; });
    item.setContent(trayIcon(), summary);

    auto watcher = std::make_unique<MiniWatcher>(host);
    ASSERT_TRUE(processEventsUntil([&] { return item.isShown(); }));
    EXPECT_TRUE(item.usesStatusNotifier());
    EXPECT_EQ(hostChanges, 1);
    ASSERT_EQ(watcher->items().size(), 1);
    // The content set before the switch is what the new item publishes.
    EXPECT_EQ(property(watcher->items().constFirst(), QStringLiteral("XAyatanaLabel")), summary);

    watcher.reset();
    ASSERT_TRUE(processEventsUntil([&] { return !item.usesStatusNotifier(); }));
    EXPECT_EQ(hostChanges, 2);

    // A restarted watcher knows nothing: the item registers with it again.
    watcher = std::make_unique<MiniWatcher>(host);
    ASSERT_TRUE(processEventsUntil([&] { return item.isShown(); }));
    EXPECT_EQ(watcher->items().size(), 1);
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

TEST_F(StatusNotifier, OneWatcherServesSeveralItemsUnderTheirOwnNames) {
    MiniWatcher watcher(host);
    StatusNotifierHostWatch watch(app);
    auto first = std::make_unique<StatusNotifierItem>(watch);
    QDBusConnection other = bus.connect(QStringLiteral("other"));
    StatusNotifierHostWatch otherWatch(other);
    StatusNotifierItem second(otherWatch);
    ASSERT_TRUE(processEventsUntil([&] { return watcher.items().size() == 2; }));
    EXPECT_NE(first->serviceName(), second.serviceName());
    first.reset();
    ASSERT_TRUE(processEventsUntil([&] { return watcher.items().size() == 1; }));
    EXPECT_EQ(watcher.items().constFirst(), second.serviceName());
}

TEST(StatusNotifierTint, DarkOnlyWhereTheHostBarIsAlwaysDark) {
    const QByteArray old = qgetenv("XDG_CURRENT_DESKTOP");
    const std::pair<const char*, bool> desktops[] = {
        {"GNOME", true}, {"ubuntu:GNOME", true}, {"KDE", false}, {"XFCE", false}, {"", false}};
    QDBusConnection none(QString{});
    StatusNotifierHostWatch watch(none);
    StatusNotifierItem item(watch);
    for (const auto& [desktop, dark] : desktops) {
        qputenv("XDG_CURRENT_DESKTOP", desktop);
        EXPECT_EQ(item.hostBackground().has_value(), dark) << desktop;
    }
    qputenv("XDG_CURRENT_DESKTOP", old);
}

} // namespace

#include "status_notifier_test.moc"
