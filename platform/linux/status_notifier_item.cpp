#include "status_notifier_item.h"

#include "dbus_menu_adaptor.h"
#include "installed_icons.h"
#include "status_notifier_adaptor.h"
#include "status_notifier_host_watch.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QTimer>

#include <atomic>

namespace tallyglass {
namespace {

QString nextServiceName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
        .arg(QCoreApplication::applicationPid())
        .arg(++counter);
}

QDBusMessage watcherCall(const QString& interface, const QString& method) {
    return QDBusMessage::createMethodCall(QLatin1String(statusNotifierWatcherService),
                                          QLatin1String(statusNotifierWatcherPath), interface,
                                          method);
}

// Watchers list an item as its bus name or unique name, alone or followed by its path (after
// '@' on GNOME).
bool namesItem(const QString& entry, const QString& name) {
    return entry == name || entry.startsWith(name + u'/') || entry.startsWith(name + u'@');
}

// Given a bus name, GNOME's AppIndicator extension follows that name as well; when it sees
// the name appear after it has read the item, it forgets the item's Id and menu and never
// shows it (now and then, more often on a busy machine). Given the object path, it keys the
// item by this connection's unique name and follows nothing else. Other watchers learn from
// the bus name that the item went while the program runs on (a host gone, the tray used
// instead); GNOME's watcher is the host itself, so it never needs to.
bool watcherIsGnomeShell(const QDBusConnection& bus) {
    const QString watcher =
        bus.interface()->serviceOwner(QLatin1String(statusNotifierWatcherService));
    return !watcher.isEmpty() &&
           watcher == bus.interface()->serviceOwner(QStringLiteral("org.gnome.Shell")).value();
}

// KGlobalSettings' notifyChange kind for a new colour scheme.
constexpr int paletteChanged = 0;

} // namespace

StatusNotifierItem::StatusNotifierItem(StatusNotifierHostWatch& watch, QObject* parent)
    : StatusItem(parent)
    , m_watch(watch)
    , m_bus(watch.bus())
    , m_service(nextServiceName())
    , m_adaptor(new StatusNotifierAdaptor(this))
    , m_menuObject(new QObject(this))
    , m_menu(new DBusMenuAdaptor(m_menuObject)) {
    m_adaptor->onActivate = [this](QPoint position) {
        // Hosts that do not know where the click was send the origin.
        emit activated(position.isNull() ? std::nullopt : std::optional<QPoint>(position));
    };
    m_menu->onCommand = [this](MenuCommand command) { emit commandChosen(command); };
    // GNOME's AppIndicator extension reads the label before it has set up its reader for it,
    // and draws it only when told of it again after that.
    m_adaptor->onFirstLook = [this] {
        QTimer::singleShot(labelAgainMs, this, &StatusNotifierItem::announceLabel);
    };
    m_menu->setEntries(statusMenuEntries(std::nullopt));
    const QString themePath = installedIconThemePath(QCoreApplication::applicationDirPath());
    if (!themePath.isEmpty())
        m_adaptor->setIconName(QLatin1String(symbolicIconName), themePath);
    if (!m_bus.isConnected())
        return;
    m_bus.registerObject(QLatin1String(objectPath), this, QDBusConnection::ExportAdaptors);
    m_bus.registerObject(QLatin1String(DBusMenuAdaptor::objectPath), m_menuObject,
                         QDBusConnection::ExportAdaptors);
    m_bus.interface()->registerService(m_service, QDBusConnectionInterface::DontQueueService);
    connect(&m_watch, &StatusNotifierHostWatch::watcherAppeared, this, [this] {
        m_attemptsLeft = registrationAttempts;
        registerWithWatcher();
    });
    connect(&m_watch, &StatusNotifierHostWatch::changed, this,
            [this] { setRegistered(m_registered && m_watch.watcherPresent()); });
    m_bus.connect(
        QLatin1String(statusNotifierWatcherService), QLatin1String(statusNotifierWatcherPath),
        QLatin1String(statusNotifierWatcherInterface),
        QStringLiteral("StatusNotifierItemUnregistered"), this, SLOT(itemUnregistered(QString)));
    // KDE colours a named icon once, as it loads it; after a switch of colour scheme it must
    // be told to load it again, or it keeps the old scheme's colours on the new bar.
    m_bus.connect(QString(), QStringLiteral("/KGlobalSettings"),
                  QStringLiteral("org.kde.KGlobalSettings"), QStringLiteral("notifyChange"), this,
                  SLOT(settingsChanged(int, int)));
    // From the event loop: the owner sets the content first, so the host's first look finds
    // everything in place.
    if (m_watch.watcherPresent())
        QTimer::singleShot(0, this, &StatusNotifierItem::registerWithWatcher);
}

StatusNotifierItem::~StatusNotifierItem() {
    if (!m_bus.isConnected())
        return;
    // Giving up the name is what tells the watcher the item is gone.
    m_bus.unregisterObject(QLatin1String(DBusMenuAdaptor::objectPath));
    m_bus.unregisterObject(QLatin1String(objectPath));
    m_bus.interface()->unregisterService(m_service);
}

bool StatusNotifierItem::isShown() const {
    return m_registered && m_watch.hostPresent();
}

void StatusNotifierItem::setContent(const QIcon& icon, const std::optional<QString>& summary) {
    m_adaptor->setContent(sniPixmaps(icon, pixmapSides), summary);
    m_menu->setEntries(statusMenuEntries(summary));
}

void StatusNotifierItem::setRegistered(bool registered) {
    m_registered = registered;
    if (isShown() == m_toldShown)
        return;
    m_toldShown = isShown();
    emit shownChanged();
}

void StatusNotifierItem::registerWithWatcher() {
    setRegistered(false);
    if (!m_watch.watcherPresent())
        return;
    const quint64 attempt = ++m_attempt;
    m_adaptor->setQuiet();
    QDBusMessage message = watcherCall(QLatin1String(statusNotifierWatcherInterface),
                                       QStringLiteral("RegisterStatusNotifierItem"));
    message << (watcherIsGnomeShell(m_bus) ? QLatin1String(objectPath) : m_service);
    auto* call = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, call, attempt] {
        call->deleteLater();
        if (attempt != m_attempt)
            return;
        if (call->isError())
            retry();
        else
            QTimer::singleShot(confirmDelayMs, this, [this, attempt] { confirm(attempt); });
    });
}

void StatusNotifierItem::confirm(quint64 attempt) {
    if (attempt != m_attempt)
        return;
    QDBusMessage question =
        watcherCall(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    question << QLatin1String(statusNotifierWatcherInterface)
             << QStringLiteral("RegisteredStatusNotifierItems");
    auto* call = new QDBusPendingCallWatcher(m_bus.asyncCall(question), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, call, attempt] {
        call->deleteLater();
        if (attempt != m_attempt)
            return;
        const QDBusMessage reply = call->reply();
        const QStringList items = reply.arguments().isEmpty()
                                      ? QStringList()
                                      : qvariant_cast<QDBusVariant>(reply.arguments().constFirst())
                                            .variant()
                                            .toStringList();
        const bool listed = std::any_of(items.begin(), items.end(), [this](const QString& entry) {
            return namesItem(entry, m_service) || namesItem(entry, m_bus.baseService());
        });
        if (listed) {
            m_attemptsLeft = registrationAttempts;
            setRegistered(true);
        } else
            retry();
    });
}

void StatusNotifierItem::itemUnregistered(const QString& entry) {
    if (!namesItem(entry, m_service) && !namesItem(entry, m_bus.baseService()))
        return;
    // Dropped by the watcher while this program still runs: the host has lost the item.
    setRegistered(false);
    retry();
}

void StatusNotifierItem::settingsChanged(int kind, int) {
    // A host that has not read the icon yet will read it in the new colours anyway.
    if (kind == paletteChanged && !m_adaptor->quiet())
        emit m_adaptor->NewIcon();
}

// As a standard property change, which hosts built on GDBusProxy hear even for an unchanged
// value.
void StatusNotifierItem::announceLabel() {
    QDBusMessage change = QDBusMessage::createSignal(
        QLatin1String(objectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    change << QStringLiteral("org.kde.StatusNotifierItem")
           << QVariantMap{{QStringLiteral("XAyatanaLabel"), m_adaptor->label()}} << QStringList();
    m_bus.send(change);
}

void StatusNotifierItem::retry() {
    setRegistered(false);
    // Given up, the item counts as not shown and the program falls back as without a tray;
    // it still tries now and then, and the fallback ends once the host shows the item.
    int delay = slowRetryDelayMs;
    if (m_attemptsLeft-- > 0)
        delay = retryDelayMs << (registrationAttempts - 1 - m_attemptsLeft);
    else
        m_attemptsLeft = 0;
    const quint64 attempt = ++m_attempt;
    QTimer::singleShot(delay, this, [this, attempt] {
        if (attempt == m_attempt)
            registerWithWatcher();
    });
}

} // namespace tallyglass
