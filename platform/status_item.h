#pragma once

#include "status_menu.h"

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QString>

#include <memory>
#include <optional>

namespace tallyglass {

// The program's one item in the desktop's tray (the menu bar on macOS). Each desktop offers a
// different host, so the shell talks to this and the platform picks the implementation.
class StatusItem : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~StatusItem() override = default;

    // Whether some host shows the item at all; false means the user cannot see it. A change
    // is told by shownChanged(), so nobody needs to ask again and again.
    virtual bool isShown() const = 0;

    // The icon, and the summary that stands beside it where the host can show a label and in
    // the tooltip elsewhere. No summary: the icon alone.
    virtual void setContent(const QIcon& icon, const std::optional<QString>& summary) = 0;

signals:
    // The user clicked the item; the position is a hint in global coordinates, when known.
    void activated(std::optional<QPoint> position);
    // An entry of the item's menu was chosen.
    void commandChosen(tallyglass::MenuCommand command);
    // isShown() may have changed.
    void shownChanged();
};

// The best item this desktop can show.
std::unique_ptr<StatusItem> createStatusItem();

} // namespace tallyglass
