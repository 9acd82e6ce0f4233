#include "dbus_menu_adaptor.h"

#include <algorithm>

namespace tallyglass {
namespace {

bool sameEntries(const QList<StatusMenuEntry>& a, const QList<StatusMenuEntry>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const StatusMenuEntry& x, const StatusMenuEntry& y) {
                          return x.id == y.id && x.label == y.label;
                      });
}

} // namespace

DBusMenuAdaptor::DBusMenuAdaptor(QObject* parent)
    : QDBusAbstractAdaptor(parent) {
    registerDBusMenuTypes();
}

void DBusMenuAdaptor::setEntries(const QList<StatusMenuEntry>& entries) {
    if (sameEntries(entries, m_entries))
        return;
    m_entries = entries;
    emit LayoutUpdated(++m_revision, 0);
}

const StatusMenuEntry* DBusMenuAdaptor::entry(int id) const {
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                 [id](const StatusMenuEntry& e) { return e.id == id; });
    return it == m_entries.end() ? nullptr : &*it;
}

QVariantMap DBusMenuAdaptor::properties(int id) const {
    if (id == 0)
        return {{QStringLiteral("children-display"), QStringLiteral("submenu")}};
    const StatusMenuEntry* found = entry(id);
    if (!found)
        return {};
    if (found->separator)
        return {{QStringLiteral("type"), QStringLiteral("separator")}};
    QVariantMap map{{QStringLiteral("label"), found->label}};
    if (!found->command)
        map.insert(QStringLiteral("enabled"), false);
    return map;
}

uint DBusMenuAdaptor::GetLayout(int parentId, int recursionDepth, const QStringList&,
                                DBusMenuLayout& layout) {
    layout = DBusMenuLayout{parentId, properties(parentId), {}};
    if (parentId == 0 && recursionDepth != 0) {
        for (const StatusMenuEntry& e : m_entries)
            layout.children.append(DBusMenuLayout{e.id, properties(e.id), {}});
    }
    return m_revision;
}

DBusMenuItemList DBusMenuAdaptor::GetGroupProperties(const QList<int>& ids, const QStringList&) {
    DBusMenuItemList items;
    for (int id : ids) {
        if (id == 0 || entry(id))
            items.append(DBusMenuItem{id, properties(id)});
    }
    return items;
}

QDBusVariant DBusMenuAdaptor::GetProperty(int id, const QString& name) {
    return QDBusVariant(properties(id).value(name));
}

void DBusMenuAdaptor::Event(int id, const QString& eventId, const QDBusVariant&, uint) {
    const StatusMenuEntry* found = entry(id);
    if (eventId != QLatin1String("clicked") || !found || !found->command || !onCommand)
        return;
    // After the host's call returns: a command may end the program or open a window.
    const MenuCommand command = *found->command;
    QMetaObject::invokeMethod(
        this, [this, command] { onCommand(command); }, Qt::QueuedConnection);
}

QList<int> DBusMenuAdaptor::EventGroup(const DBusMenuEventList& events) {
    QList<int> unknown;
    for (const DBusMenuEvent& event : events) {
        if (event.id != 0 && !entry(event.id))
            unknown.append(event.id);
        else
            Event(event.id, event.eventId, event.data, event.timestamp);
    }
    return unknown;
}

bool DBusMenuAdaptor::AboutToShow(int) {
    return false;
}

QList<int> DBusMenuAdaptor::AboutToShowGroup(const QList<int>&, QList<int>& idErrors) {
    idErrors.clear();
    return {};
}

} // namespace tallyglass
