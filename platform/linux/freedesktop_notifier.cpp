#include "freedesktop_notifier.h"

#include "platform/desktop_entry.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace tallyglass {
namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
const QString openAction = QStringLiteral("default");
// The service answers at once or not at all; a hung one must not pile up calls.
constexpr int callTimeoutMs = 5000;

// Sent notifications remembered for their clicks; the oldest are forgotten.
constexpr qsizetype mostRemembered = 64;

} // namespace

FreedesktopNotifier::FreedesktopNotifier(QDBusConnection bus, QObject* parent)
    : DesktopNotifier(parent)
    , m_bus(std::move(bus)) {
    m_bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(actionInvoked(uint, QString)));
}

void FreedesktopNotifier::notify(const QString& title, const QString& body, bool urgent) {
    if (!m_bus.isConnected())
        return;
    const QDBusMessage ask =
        QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(ask, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, title, body, urgent](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                const QDBusPendingReply<QStringList> reply = *call;
                if (!reply.isError())
                    send(reply.value(), title, body, urgent);
            });
}

void FreedesktopNotifier::send(const QStringList& capabilities, const QString& title,
                               const QString& body, bool urgent) {
    // Window labels come from the assistants' files: never let them be read as markup.
    const QString shownBody =
        capabilities.contains(QStringLiteral("body-markup")) ? body.toHtmlEscaped() : body;
    QStringList actions;
    if (capabilities.contains(QStringLiteral("actions")))
        actions << openAction << tr("Show usage");
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QString::fromLatin1(desktopEntryName));
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(urgent ? 2 : 1)));
    QDBusMessage message =
        QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    message << QStringLiteral("Tallyglass") << uint(0) << QString::fromLatin1(desktopEntryName)
            << title << shownBody << actions << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                const QDBusPendingReply<uint> reply = *call;
                if (reply.isError())
                    return;
                if (m_sent.size() >= mostRemembered)
                    m_sent.clear();
                m_sent.insert(reply.value());
            });
}

void FreedesktopNotifier::actionInvoked(uint id, const QString& action) {
    if (action == openAction && m_sent.contains(id))
        emit activated();
}

std::unique_ptr<DesktopNotifier> createDesktopNotifier() {
    return std::make_unique<FreedesktopNotifier>(QDBusConnection::sessionBus());
}

} // namespace tallyglass
