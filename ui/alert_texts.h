#pragma once

#include "core/usage_alerts.h"

#include <QString>

namespace tallyglass {

struct NotificationText {
    QString title;
    QString body;
    bool urgent = false;
};

// The notification that tells the user of the alert, at the moment now: the assistant's name,
// and the source's where the user named it, as its title and one sentence about the window, with
// its reset where that helps.
NotificationText notificationText(const UsageAlert& alert, double now);

} // namespace tallyglass
