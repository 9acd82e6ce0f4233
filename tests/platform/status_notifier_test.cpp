#include "platform/linux/dbus_menu_types.h"
#include "platform/linux/freedesktop_status_item.h"
#include "platform/linux/sni_types.h"
#include "platform/linux/status_notifier_item.h"
#include "support/event_loop.h"
#include "support/private_bus.h"
#include "ui/tray_icon.h"

#include <gtest/gtest.h>

#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

using namespace tallyglass;
using namespace tallyglass::testing;

namespace {

const QString summary = "42% \u00B7 17%";

// A StatusNotifierWatcher, as much of one as the item needs, which also says that a host is
// present unless told otherwise. Items are known by their bus names and forgotten when the
// names go.
class MiniWatcher final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems MEMBER items)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered MEMBER m_host)

public:
    explicit MiniWatcher(QDBusConnection bus, bool withHost = true)
        : m_bus(std::move(bus))
        , m_host(withHost) {
        m_owners.setConnection(m_bus);
        m_owners.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
        connect(&m_owners, &QDBusServiceWatcher::serviceUnregistered, this, &MiniWatcher::forget);
        m_bus.registerObject("/StatusNotifierWatcher", this,
                             QDBusConnection::ExportScriptableContents |
                                 QDBusConnection::ExportAllProperties);
        m_bus.interface()->registerService("org.kde.StatusNotifierWatcher");
    }

    void setHostRegistered(bool host) {
        if (std::exchange(m_host, host) == host)
            return;
        if (host)
            emit StatusNotifierHostRegistered();
        else
            emit StatusNotifierHostUnregistered();
    }
    // Drops the items it holds, telling them so.
    void dropAll() {
        for (const QString& item : QStringList(items))
            forget(item);
    }

    QStringList items;
    // Accepts registrations but drops the items at once, as a host that fails to set them
    // up does.
    bool dropItems = false;

public slots:
    Q_SCRIPTABLE void RegisterStatusNotifierItem(const QString& service) {
        // An object path instead of a name means: the caller's own name, at that path.
        const QString name = service.startsWith(u'/') ? message().service() : service;
        if (items.contains(name))
            return;
        // Watched before the check, so a name that goes in between is still seen going. A
        // registration can also arrive after its name is gone: the owner is what counts.
        m_owners.addWatchedService(name);
        if (!m_bus.interface()->isServiceRegistered(name)) {
            m_owners.removeWatchedService(name);
            return;
        }
        items.append(name);
        emit StatusNotifierItemRegistered(name);
        if (dropItems)
            forget(name);
    }

signals:
    Q_SCRIPTABLE void StatusNotifierItemRegistered(const QString& service);
    Q_SCRIPTABLE void StatusNotifierItemUnregistered(const QString& service);
    Q_SCRIPTABLE void StatusNotifierHostRegistered();
    Q_SCRIPTABLE void StatusNotifierHostUnregistered();

private:
    void forget(const QString& service) {
        if (!items.removeOne(service))
            return;
        m_owners.removeWatchedService(service);
        emit StatusNotifierItemUnregistered(service);
    }

    QDBusConnection m_bus;
    QDBusServiceWatcher m_owners;
    bool m_host;
};

// Writes down the item's signals as they arrive over the bus.
class SignalLog final : public QObject {
    Q_OBJECT

public:
    QStringList lines;

public slots:
    void label(const QString& label, const QString& guide) { lines.append(label + " | " + guide); }
    void icon() { lines.append("icon"); }
    void changed(const QString&, const QVariantMap& values) {
        for (auto it = values.begin(); it != values.end(); ++it)
            lines.append(it.key() + '=' + it.value().toString());
    }
};

// One private bus per case, with the program's connection, the watcher's and a client's,
// each a separate peer as on a desktop.
class StatusNotifier : public ::testing::Test {
protected:
    void SetUp() override {
        if (bus.address().isEmpty())
            GTEST_SKIP() << bus.error().toStdString();
        app = bus.connect("app");
        host = bus.connect("host");
        client = bus.connect("client");
    }

    // The item answers from this thread's event loop, so wait with it running.
    QDBusMessage call(const QString& service, const QString& path, const QString& interface,
                      const QString& method, const QVariantList& arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        return client.call(message, QDBus::BlockWithGui, 5000);
    }

    QVariant property(const QString& service, const QString& name) {
        const QDBusMessage reply =
            call(service, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                 {"org.kde.StatusNotifierItem", name});
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

// What the host tests cannot see: the Id and category, the tooltip's parts, the pixmaps
// (hosts there find the installed icon by name), the label's guide, and the menu's entries as
// hosts read them, with a click on one. That the item shows, is active, opens the panel on a
// click, its tooltip, label and menu, they check for real.
TEST_F(StatusNotifier, PublishesPixmapsLabelGuideAndAMenuThatAnswers) {
    MiniWatcher watcher(host);
    FreedesktopStatusItem item(app);
    item.setContent(trayIcon(), summary);
    ASSERT_TRUE(processEventsUntil([&] { return item.isShown(); }));
    ASSERT_EQ(watcher.items.size(), 1);
    const QString service = watcher.items.constFirst();
    // Hosts keep what the user set for an item (hidden, its place) under its Id.
    EXPECT_EQ(property(service, "Id"), QString("tallyglass"));
    EXPECT_EQ(property(service, "Category"), QString("ApplicationStatus"));
    EXPECT_EQ(property(service, "XAyatanaLabelGuide"), QString("100% \u00B7 100%"));
    registerSniTypes();
    // Said once: hosts that draw the title and the description would show the figures twice.
    const auto toolTip = qdbus_cast<SniToolTip>(property(service, "ToolTip"));
    EXPECT_EQ(QStringList({toolTip.title, toolTip.description}),
              QStringList({"Tallyglass: " + summary, ""}));
    QList<int> sides;
    for (const SniPixmap& pixmap : qdbus_cast<SniPixmapList>(property(service, "IconPixmap"))) {
        sides.append(pixmap.width);
        EXPECT_EQ(pixmap.argb.size(), pixmap.width * pixmap.height * 4);
    }
    EXPECT_EQ(sides, QList<int>({16, 22, 24, 32, 48, 64}));

    registerDBusMenuTypes();
    const QDBusMessage layoutReply =
        call(service, "/MenuBar", "com.canonical.dbusmenu", "GetLayout", {0, -1, QStringList()});
    ASSERT_EQ(layoutReply.arguments().size(), 2) << layoutReply.errorMessage().toStdString();
    QStringList lines;
    int refreshId = -1;
    for (const DBusMenuLayout& entry :
         qdbus_cast<DBusMenuLayout>(layoutReply.arguments().at(1)).children) {
        const QString label = entry.properties.value("label").toString();
        const bool enabled = entry.properties.value("enabled", true).toBool();
        lines.append(label.isEmpty() ? "--" : label + (enabled ? "" : " (off)"));
        if (label == "Refresh")
            refreshId = entry.id;
    }
    EXPECT_EQ(lines, QStringList({"Tallyglass: " + summary + " (off)", "--", "Show Usage",
                                  "Refresh", "--", "Quit Tallyglass"}));
    std::vector<MenuCommand> chosen;
    QObject::connect(&item, &StatusItem::commandChosen,
                     [&](MenuCommand command) { chosen.push_back(command); });
    call(service, "/MenuBar", "com.canonical.dbusmenu", "Event",
         {refreshId, "clicked", QVariant::fromValue(QDBusVariant(0)), 0u});
    ASSERT_TRUE(processEventsUntil([&] { return !chosen.empty(); }));
    EXPECT_EQ(chosen, std::vector<MenuCommand>{MenuCommand::refresh});

    // KDE's token for the keyboard focus reaches Qt with the click it came before; a click
    // that comes twice at once counts once.
    QByteArrayList tokens;
    QObject::connect(&item, &StatusItem::activated,
                     [&] { tokens.append(qgetenv("XDG_ACTIVATION_TOKEN")); });
    call(service, "/StatusNotifierItem", "org.kde.StatusNotifierItem", "ProvideXdgActivationToken",
         {"kde-token"});
    auto activate = QDBusMessage::createMethodCall(service, "/StatusNotifierItem",
                                                   "org.kde.StatusNotifierItem", "Activate");
    activate.setArguments({10, 20});
    client.asyncCall(activate);
    client.asyncCall(activate);
    processEventsFor(200);
    EXPECT_EQ(tokens, QByteArrayList({"kde-token"}));
    qunsetenv("XDG_ACTIVATION_TOKEN");
}

TEST_F(StatusNotifier, SignalsOnlyWhatChangedAndOnlyOnceTheHostHasLooked) {
    MiniWatcher watcher(host);
    FreedesktopStatusItem item(app);
    item.setContent(trayIcon(), summary);
    ASSERT_TRUE(processEventsUntil([&] { return item.isShown(); }));
    const QString service = watcher.items.constFirst();
    const QString path = "/StatusNotifierItem", interface = "org.kde.StatusNotifierItem";
    SignalLog log;
    ASSERT_TRUE(client.connect(service, path, interface, "XAyatanaNewLabel", &log,
                               SLOT(label(QString, QString))));
    ASSERT_TRUE(client.connect(service, path, interface, "NewIcon", &log, SLOT(icon())));
    ASSERT_TRUE(client.connect(service, path, "org.freedesktop.DBus.Properties",
                               "PropertiesChanged", &log, SLOT(changed(QString, QVariantMap))));
    // Nobody has read the item yet: changes wait for the host's first look.
    item.setContent(trayIcon(), "50% \u00B7 20%");
    processEventsFor(200);
    EXPECT_TRUE(log.lines.isEmpty()) << log.lines.join(u'\n').toStdString();
    EXPECT_EQ(property(service, "XAyatanaLabel"), QString("50% \u00B7 20%"));
    // GNOME's AppIndicator extension draws the label only when told of it after its first look.
    EXPECT_TRUE(processEventsUntil([&] { return !log.lines.isEmpty(); },
                                   StatusNotifierItem::labelAgainMs + 2000));
    EXPECT_EQ(log.lines, QStringList({"XAyatanaLabel=50% \u00B7 20%"}));
    log.lines.clear();

    item.setContent(trayIcon(), "55% \u00B7 20%");
    item.setContent(trayIcon(), "55% \u00B7 20%");
    item.setContent(QIcon(trayIcon().pixmap(QSize(64, 64), 1.0)), "55% \u00B7 20%");
    item.setContent(trayIcon(), std::nullopt);
    ASSERT_TRUE(processEventsUntil([&] { return log.lines.size() >= 4; }));
    processEventsFor(200);
    EXPECT_EQ(log.lines, QStringList({"55% \u00B7 20% | 100% \u00B7 100%", "icon", "icon",
                                      " | 100% \u00B7 100%"}));
}

// What the item told of whether it is shown, which is all the shell hears.
void followShown(StatusItem& item, bool& told) {
    QObject::connect(&item, &StatusItem::shownChanged, [&] { told = item.isShown(); });
}

TEST_F(StatusNotifier, RegistersAgainWhenDroppedAndGivesUpInTheEnd) {
    MiniWatcher watcher(host);
    FreedesktopStatusItem item(app);
    bool told = false;
    followShown(item, told);
    item.setContent(trayIcon(), summary);
    ASSERT_TRUE(processEventsUntil([&] { return told; }));
    // A host that lost the item: it comes back by itself.
    watcher.dropAll();
    ASSERT_TRUE(watcher.items.isEmpty());
    ASSERT_TRUE(processEventsUntil([&] { return !told; }));
    ASSERT_TRUE(processEventsUntil([&] { return watcher.items.size() == 1; }, 5000));
    EXPECT_TRUE(processEventsUntil([&] { return told; }, 5000));

    // A host that never keeps it: a few tries, then the item counts as not shown.
    watcher.dropItems = true;
    int registrations = 0;
    QObject::connect(&watcher, &MiniWatcher::StatusNotifierItemRegistered,
                     [&] { ++registrations; });
    watcher.dropAll();
    processEventsUntil([&] { return registrations >= StatusNotifierItem::registrationAttempts; },
                       10000);
    processEventsFor(StatusNotifierItem::retryDelayMs + StatusNotifierItem::confirmDelayMs);
    EXPECT_FALSE(told);
    EXPECT_EQ(registrations, StatusNotifierItem::registrationAttempts);
}

TEST_F(StatusNotifier, WaitsForAHostBeforeLeavingTheTray) {
    MiniWatcher watcher(host, false);
    FreedesktopStatusItem item(app);
    bool told = false;
    followShown(item, told);
    ASSERT_TRUE(processEventsUntil([&] { return !item.usesStatusNotifier(); }));
    processEventsFor(200);
    EXPECT_FALSE(item.isShown());
    watcher.setHostRegistered(true);
    ASSERT_TRUE(processEventsUntil([&] { return item.usesStatusNotifier() && told; }));
    EXPECT_EQ(watcher.items.size(), 1);

    watcher.setHostRegistered(false);
    ASSERT_TRUE(processEventsUntil([&] { return !item.usesStatusNotifier(); }));
    // Giving up the bus name is how the watcher learns the item went.
    EXPECT_TRUE(processEventsUntil([&] { return watcher.items.isEmpty(); }));
}

} // namespace

#include "status_notifier_test.moc"
