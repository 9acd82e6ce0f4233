#pragma once

#include "core/usage_records.h"
#include "core/usage_tone.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>
#include <QWidget>

#include <optional>

class QLabel;

namespace tallyglass {

class ElidedLabel;
class UsageBar;

// The colour of the percentage text and of the bar, for this palette; or on a light or dark
// background.
QColor usageColor(std::optional<double> percentage, const QPalette& palette);
QColor usageColor(std::optional<double> percentage, bool dark);

// "43%", "-3%", "120%"; "no data" without a percentage.
QString percentText(std::optional<double> percentage);

// "Resets in 2 hours (Dec 5, 2026, 3:00 PM)", relative to now; for a window that has reset
// since its reading, "Reset 2 hours ago".
QString resetText(double resetsAt, double now, bool hasReset = false);

// "At this pace: 100 % in about 40 minutes", for a window full at fullAt.
QString paceText(double fullAt, double now);

// What a screen reader says after the row's title: "42 percent used, resets in 2 hours".
QString spokenUsage(std::optional<double> percentage, std::optional<double> resetsAt, double now);

// The percentage's font: semibold, with tabular digits where the font and Qt offer them.
QFont percentFont(const QFont& body);

// One limit window: its title and percentage, a bar, and when it resets (or, once it has reset
// since the reading, when it did). Built afresh with every panel rebuild; now is the panel's
// clock reading at that moment.
class UsageRow final : public QWidget {
    Q_OBJECT

public:
    UsageRow(const QString& title, const std::optional<UsageWindow>& window, double now,
             QWidget* parent = nullptr, bool hasReset = false);

    // Adds the line that tells when the window is full at the recent pace.
    void showPace(double fullAt, double now);

private:
    ElidedLabel* m_title;
    QLabel* m_percent;
    UsageBar* m_bar;
    QLabel* m_reset = nullptr;
    QLabel* m_pace = nullptr;
};

} // namespace tallyglass
