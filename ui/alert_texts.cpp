#include "alert_texts.h"

#include "core/rounding.h"
#include "date_texts.h"
#include "source_switch.h"
#include "usage_row.h"

#include <QCoreApplication>

namespace tallyglass {
namespace {

// A source the user named keeps its assistant in the title: "Claude Code: Work".
QString sourceTitle(const SourceId& source) {
    const QString assistant = displayName(source.kind);
    const QString name = displayName(source);
    //: %1 is the assistant, %2 the name the user gave one of its sources, such as "Work".
    return name == assistant
               ? assistant
               : QCoreApplication::translate("UsageAlert", "%1: %2").arg(assistant, name);
}

} // namespace

NotificationText notificationText(const UsageAlert& alert, double now) {
    const QString label = QString::fromStdString(alert.label);
    NotificationText text{sourceTitle(alert.source), QString(), false};
    switch (alert.type) {
    case UsageAlert::Type::threshold:
        text.body = QCoreApplication::translate("UsageAlert", "%1 is at %2")
                        .arg(label, QString::fromStdString(percentFigure(alert.percentage)));
        if (alert.resetsAt)
            text.body += QLatin1Char('\n') + resetText(*alert.resetsAt, now);
        text.urgent = alert.percentage >= 95;
        break;
    case UsageAlert::Type::reset:
        text.body = QCoreApplication::translate("UsageAlert", "%1 has reset: you can work again")
                        .arg(label);
        break;
    case UsageAlert::Type::pace:
        text.body =
            QCoreApplication::translate("UsageAlert", "%1 reaches 100 % in about %2 at this pace")
                .arg(label, durationWords(alert.fullAt - now));
        text.urgent = true;
        break;
    }
    return text;
}

} // namespace tallyglass
