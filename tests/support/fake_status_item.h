#pragma once

#include "platform/status_item.h"

#include <vector>

namespace tallyglass::testing {

// Records what the shell asks the tray to show.
class FakeStatusItem final : public StatusItem {
    Q_OBJECT

public:
    bool shown = true;
    // How often the shell asked whether the item is shown.
    mutable int shownAsked = 0;
    std::vector<std::optional<QString>> summaries;
    QIcon icon;

    bool isShown() const override {
        ++shownAsked;
        return shown;
    }
    void setShown(bool value) {
        shown = value;
        emit shownChanged();
    }
    void setContent(const QIcon& newIcon, const std::optional<QString>& summary) override {
        icon = newIcon;
        summaries.push_back(summary);
    }
    void click(std::optional<QPoint> position = std::nullopt) { emit activated(position); }
    void choose(MenuCommand command) { emit commandChosen(command); }
};

} // namespace tallyglass::testing
