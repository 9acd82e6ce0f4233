#pragma once

#include "dbus_menu_types.h"
#include "platform/status_menu.h"

#include <QDBusAbstractAdaptor>
#include <QStringList>

#include <functional>

namespace tallyglass {

// The item's menu as com.canonical.dbusmenu, which StatusNotifierItem hosts read to show
// it: one flat level of entries under the root (id 0). A host that clicks an entry with a
// command gets it done through onCommand.
class DBusMenuAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    static constexpr char objectPath[] = "/MenuBar";

    explicit DBusMenuAdaptor(QObject* parent);

    // Replaces the entries; hosts hear of it only when the layout changed.
    void setEntries(const QList<StatusMenuEntry>& entries);

    std::function<void(MenuCommand)> onCommand;

    uint version() const { return 3; }
    QString textDirection() const { return QStringLiteral("ltr"); }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public slots:
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   tallyglass::DBusMenuLayout& layout);
    QList<tallyglass::DBusMenuItem> GetGroupProperties(const QList<int>& ids,
                                                       const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const QList<tallyglass::DBusMenuEvent>& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

signals:
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    QVariantMap properties(int id) const;
    const StatusMenuEntry* entry(int id) const;

    QList<StatusMenuEntry> m_entries;
    uint m_revision = 1;
};

} // namespace tallyglass
