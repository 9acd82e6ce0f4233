#include "status_notifier_item.h"

#include "status_notifier_adaptor.h"
#include "status_notifier_host_watch.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

#include <atomic>

namespace tallyglass {
namespace {

QString nextServiceName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
        .arg(QCoreApplication::applicationPid())
        .arg(++counter);
}

// GNOME Shell draws its top bar dark in light and dark styles alike, whatever the
// application palette says.
bool hostBarIsAlwaysDark() {
    const QString desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    return desktops.split(u':').contains(QStringLiteral("GNOME"), Qt::CaseInsensitive);
}

} // namespace

StatusNotifierItem::StatusNotifierItem(StatusNotifierHostWatch& watch, QObject* parent)
    : StatusItem(parent)
    , m_watch(watch)
    , m_bus(watch.bus())
    , m_service(nextServiceName())
    , m_adaptor(new StatusNotifierAdaptor(this)) {
    m_adaptor->onActivate = [this](QPoint position) {
        // Hosts that do not know where the click was send the origin.
        emit activated(position.isNull() ? std::nullopt : std::optional<QPoint>(position));
    };
    if (!m_bus.isConnected())
        return;
    m_bus.registerObject(QLatin1String(objectPath), this, QDBusConnection::ExportAdaptors);
    m_bus.interface()->registerService(m_service, QDBusConnectionInterface::DontQueueService);
    connect(&m_watch, &StatusNotifierHostWatch::watcherAppeared, this,
            &StatusNotifierItem::registerWithWatcher);
    connect(&m_watch, &StatusNotifierHostWatch::changed, this, [this] {
        if (!m_watch.watcherPresent())
            m_registered = false;
    });
    if (m_watch.watcherPresent())
        registerWithWatcher();
}

StatusNotifierItem::~StatusNotifierItem() {
    if (!m_bus.isConnected())
        return;
    // Giving up the name is what tells the watcher the item is gone.
    m_bus.unregisterObject(QLatin1String(objectPath));
    m_bus.interface()->unregisterService(m_service);
}

bool StatusNotifierItem::isShown() const {
    return m_registered && m_watch.hostPresent();
}

void StatusNotifierItem::setContent(const QIcon& icon, const std::optional<QString>& summary) {
    m_adaptor->setContent(sniPixmaps(icon, pixmapSides), summary.value_or(QString()));
}

std::optional<QColor> StatusNotifierItem::hostBackground() const {
    if (hostBarIsAlwaysDark())
        return QColor(Qt::black);
    return std::nullopt;
}

void StatusNotifierItem::registerWithWatcher() {
    m_registered = false;
    const quint64 attempt = ++m_attempt;
    QDBusMessage message = QDBusMessage::createMethodCall(
        QLatin1String(statusNotifierWatcherService), QLatin1String(statusNotifierWatcherPath),
        QLatin1String(statusNotifierWatcherInterface),
        QStringLiteral("RegisterStatusNotifierItem"));
    message << m_service;
    auto* call = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, call, attempt] {
        call->deleteLater();
        if (attempt == m_attempt)
            m_registered = !call->isError();
    });
}

} // namespace tallyglass
