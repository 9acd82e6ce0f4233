#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace tallyglass {

// Desktop notifications, shown by the system's notification service.
class DesktopNotifier : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~DesktopNotifier() override = default;

    // Shows one notification. Plain text; nothing happens where no service runs.
    virtual void notify(const QString& title, const QString& body, bool urgent) = 0;

signals:
    // The user clicked a notification, where the service lets them.
    void activated();
};

// The notifications of this system.
std::unique_ptr<DesktopNotifier> createDesktopNotifier();

} // namespace tallyglass
