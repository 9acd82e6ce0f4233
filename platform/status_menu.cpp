#include "status_menu.h"

#include <QCoreApplication>

namespace tallyglass {

QList<StatusMenuEntry> statusMenuEntries(const std::optional<QString>& summary) {
    QList<StatusMenuEntry> entries;
    if (summary) {
        entries.append({1, statusTitle(summary), std::nullopt, false});
        entries.append({2, QString(), std::nullopt, true});
    }
    entries.append({3, QCoreApplication::translate("StatusMenu", "Show Usage"),
                    MenuCommand::openPanel, false});
    entries.append(
        {4, QCoreApplication::translate("StatusMenu", "Refresh"), MenuCommand::refresh, false});
    entries.append({5, QString(), std::nullopt, true});
    entries.append({6, QCoreApplication::translate("StatusMenu", "Quit Tallyglass"),
                    MenuCommand::quit, false});
    return entries;
}

QString statusTitle(const std::optional<QString>& summary) {
    //: %1 is the usage summary, such as "42% · 17%".
    return summary ? QCoreApplication::translate("StatusMenu", "Tallyglass: %1").arg(*summary)
                   : QStringLiteral("Tallyglass");
}

} // namespace tallyglass
