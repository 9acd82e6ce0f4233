#include "status_menu.h"

#include <QCoreApplication>

namespace tallyglass {

QList<StatusMenuEntry> statusMenuEntries(const std::optional<QString>& summary) {
    QList<StatusMenuEntry> entries;
    if (summary) {
        entries.append({1, statusTitle(summary), std::nullopt, false});
        entries.append({2, QString(), std::nullopt, true});
    }
    const auto tr = [](const char* text) {
        return QCoreApplication::translate("StatusMenu", text);
    };
    entries.append({3, tr("Show Usage"), MenuCommand::openPanel, false});
    entries.append({4, tr("Refresh"), MenuCommand::refresh, false});
    entries.append({5, QString(), std::nullopt, true});
    entries.append({6, tr("Quit Tallyglass"), MenuCommand::quit, false});
    return entries;
}

QString statusTitle(const std::optional<QString>& summary) {
    return summary ? QStringLiteral("Tallyglass: %1").arg(*summary) : QStringLiteral("Tallyglass");
}

} // namespace tallyglass
