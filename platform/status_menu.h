#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace tallyglass {

// What the item's menu can ask the program to do.
enum class MenuCommand { openPanel, refresh, quit };

// One line of the item's menu. Lines without a command are disabled: the figures, and the
// separator (an empty label).
struct StatusMenuEntry {
    int id = 0;
    QString label;
    std::optional<MenuCommand> command;
    bool separator = false;
};

// The menu every host shows for the item, the figures first when there are any. Ids are
// stable across summaries, so hosts that cache the layout stay right.
QList<StatusMenuEntry> statusMenuEntries(const std::optional<QString>& summary);

// "Tallyglass: 42% · 17%", or the name alone: the title hosts show on hovering.
QString statusTitle(const std::optional<QString>& summary);

} // namespace tallyglass
