#pragma once

#include "platform/desktop_notifier.h"

#include <QDBusConnection>
#include <QSet>

namespace tallyglass {

// Notifications through org.freedesktop.Notifications on the session bus. Asks the service
// what it can do before each notification, since the service may be replaced while the program
// runs: markup is escaped where the body is read as markup, and the click that opens the panel
// is offered only where the service shows actions.
class FreedesktopNotifier final : public DesktopNotifier {
    Q_OBJECT

public:
    explicit FreedesktopNotifier(QDBusConnection bus, QObject* parent = nullptr);

    void notify(const QString& title, const QString& body, bool urgent) override;

private slots:
    void actionInvoked(uint id, const QString& action);

private:
    void send(const QStringList& capabilities, const QString& title, const QString& body,
              bool urgent);

    QDBusConnection m_bus;
    // Ours among the notifications the service announces to everyone.
    QSet<uint> m_sent;
};

} // namespace tallyglass
