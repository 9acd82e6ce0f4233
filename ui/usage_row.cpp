#include "usage_row.h"

#include "core/rounding.h"
#include "date_texts.h"
#include "elided_label.h"
#include "panel_style.h"
#include "usage_bar.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <cmath>

namespace tallyglass {

QColor usageColor(std::optional<double> percentage, const QPalette& palette) {
    return usageColor(percentage, isDarkPalette(palette));
}

QColor usageColor(std::optional<double> percentage, bool dark) {
    switch (usageTone(percentage)) {
    case UsageTone::gray:
        return systemColor(SystemColor::gray, dark);
    case UsageTone::green:
        return systemColor(SystemColor::green, dark);
    case UsageTone::orange:
        return systemColor(SystemColor::orange, dark);
    case UsageTone::red:
        return systemColor(SystemColor::red, dark);
    }
    return systemColor(SystemColor::gray, dark);
}

QString percentText(std::optional<double> percentage) {
    if (!percentage || std::isnan(*percentage))
        return QCoreApplication::translate("UsageRow", "no data");
    return QString::fromStdString(percentFigure(*percentage));
}

QString resetText(double resetsAt, double now, bool hasReset) {
    //: %1 is how long ago, such as "2 hours ago".
    if (hasReset)
        return QCoreApplication::translate("UsageRow", "Reset %1")
            .arg(relativeTimeText(resetsAt, now));
    //: %1 is how far away, such as "in 2 hours"; %2 the date and time.
    return QCoreApplication::translate("UsageRow", "Resets %1 (%2)")
        .arg(relativeTimeText(resetsAt, now), dateTimeText(resetsAt));
}

QString spokenUsage(std::optional<double> percentage, std::optional<double> resetsAt, double now) {
    const QString resets = resetsAt ? relativeTimeText(*resetsAt, now) : QString();
    if (!percentage || std::isnan(*percentage))
        return resetsAt ? QCoreApplication::translate("UsageRow", "no data, resets %1").arg(resets)
                        : QCoreApplication::translate("UsageRow", "no data");
    const QString whole = QString::number(wholePercentage(*percentage));
    //: %1 is a whole number; %2 how far away the reset is, such as "in 2 hours".
    return resetsAt ? QCoreApplication::translate("UsageRow", "%1 percent used, resets %2")
                          .arg(whole, resets)
                    : QCoreApplication::translate("UsageRow", "%1 percent used").arg(whole);
}

QString paceText(double fullAt, double now) {
    return QCoreApplication::translate("UsageRow", "At this pace: 100 % in about %1")
        .arg(durationWords(fullAt - now));
}

QFont percentFont(const QFont& body) {
    QFont font = styledFont(TextStyle::subheadline, body, QFont::DemiBold);
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    font.setFeature(QFont::Tag("tnum"), 1);
#endif
    return font;
}

UsageRow::UsageRow(const QString& title, const std::optional<UsageWindow>& window, double now,
                   QWidget* parent, bool hasReset)
    : QWidget(parent)
    , m_title(new ElidedLabel(title, this))
    , m_percent(new QLabel(this))
    , m_bar(new UsageBar(this)) {
    const std::optional<double> percentage = window ? window->usedPercentage : std::nullopt;
    const QColor color = usageColor(percentage, palette());

    m_title->setObjectName(QStringLiteral("usageTitle"));
    m_title->setFont(styledFont(TextStyle::subheadline, font()));
    m_percent->setObjectName(QStringLiteral("usagePercent"));
    m_percent->setFont(percentFont(font()));
    m_percent->setText(percentText(percentage));
    // As wide as the widest usual figure, so the title keeps its room from row to row.
    m_percent->setMinimumWidth(
        QFontMetrics(m_percent->font()).horizontalAdvance(QStringLiteral("100%")));
    m_percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setForeground(m_percent, color);
    m_bar->setObjectName(QStringLiteral("usageBar"));
    m_bar->setPercentage(percentage);
    m_bar->setTint(color);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->addWidget(m_title, 1);
    header->addWidget(m_percent, 0);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(rowSpacing);
    layout->addLayout(header);
    layout->addWidget(m_bar);

    // One sentence for a screen reader, in place of the loose figures it would find inside.
    const std::optional<double> resetsAt = window ? window->resetsAt : std::nullopt;
    setAccessibleName(title);
    //: %1 is how long ago the window reset, such as "2 hours ago".
    setAccessibleDescription(
        hasReset && resetsAt ? QCoreApplication::translate("UsageRow", "0 percent used, reset %1")
                                   .arg(relativeTimeText(*resetsAt, now))
                             : spokenUsage(percentage, resetsAt, now));
    m_bar->setAccessibleName(title);

    if (window && window->resetsAt) {
        m_reset = new QLabel(resetText(*window->resetsAt, now, hasReset), this);
        m_reset->setObjectName(QStringLiteral("usageReset"));
        m_reset->setFont(styledFont(TextStyle::caption2, font()));
        m_reset->setWordWrap(true);
        setForeground(m_reset, secondaryColor(palette()));
        layout->addWidget(m_reset);
    }
}

void UsageRow::showPace(double fullAt, double now) {
    if (!m_pace) {
        m_pace = new QLabel(this);
        m_pace->setObjectName(QStringLiteral("usagePace"));
        m_pace->setFont(styledFont(TextStyle::caption2, font()));
        m_pace->setWordWrap(true);
        // A warning of what comes, in the colour of a window near its limit.
        setForeground(m_pace, systemColor(SystemColor::orange, palette()));
        layout()->addWidget(m_pace);
    }
    m_pace->setText(paceText(fullAt, now));
}

} // namespace tallyglass
