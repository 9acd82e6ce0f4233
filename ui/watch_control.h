#pragma once

#include "core/usage_model.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QSpinBox;

namespace tallyglass {

// The panel's choices of what to be told: warnings near a limit (with their two thresholds)
// and after a reset, the pace, and both assistants in the tray. Each change is stored in the
// model's preferences at once.
class WatchControl final : public QWidget {
    Q_OBJECT

public:
    explicit WatchControl(UsageModel& model, QWidget* parent = nullptr);

    // Fonts follow the panel's font.
    void restyle();

private:
    void showPreferences();
    void storePreferences();

    UsageModel& m_model;
    QCheckBox* m_warnings;
    std::array<QSpinBox*, 2> m_thresholds{};
    QCheckBox* m_pace;
    QCheckBox* m_bothInTray;
};

} // namespace tallyglass
