#include "watch_control.h"

#include "panel_style.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tallyglass {

WatchControl::WatchControl(UsageModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_warnings(new QCheckBox(tr("Warn near a limit"), this))
    , m_pace(new QCheckBox(tr("Show the pace to 100 %"), this))
    , m_bothInTray(new QCheckBox(tr("Both assistants in the tray"), this)) {
    m_warnings->setObjectName(QStringLiteral("warnings"));
    m_warnings->setToolTip(tr("A notification when a window crosses a threshold, and when a "
                              "full window has reset"));
    m_pace->setObjectName(QStringLiteral("pace"));
    m_pace->setToolTip(tr("When the recent pace fills a window before it resets, say when, and "
                          "warn half an hour ahead"));
    m_bothInTray->setObjectName(QStringLiteral("bothInTray"));

    auto* warningRow = new QHBoxLayout;
    warningRow->setContentsMargins(0, 0, 0, 0);
    warningRow->addWidget(m_warnings, 1);
    for (std::size_t i = 0; i < m_thresholds.size(); ++i) {
        auto* box = new QSpinBox(this);
        box->setObjectName(QStringLiteral("threshold%1").arg(i + 1));
        box->setRange(1, 100);
        box->setSuffix(QStringLiteral(" %"));
        // "95" typed is one change, not a threshold of 9 on the way.
        box->setKeyboardTracking(false);
        box->setAccessibleName(tr("Warning threshold %1").arg(i + 1));
        warningRow->addWidget(box);
        m_thresholds[i] = box;
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(footerSpacing);
    layout->addLayout(warningRow);
    layout->addWidget(m_pace);
    layout->addWidget(m_bothInTray);
    restyle();
    showPreferences();

    for (QCheckBox* box : {m_warnings, m_pace, m_bothInTray})
        connect(box, &QCheckBox::toggled, this, &WatchControl::storePreferences);
    for (QSpinBox* box : m_thresholds)
        connect(box, &QSpinBox::valueChanged, this, &WatchControl::storePreferences);
    connect(&m_model, &UsageModel::preferencesChanged, this, &WatchControl::showPreferences);
}

void WatchControl::restyle() {
    const QFont callout = styledFont(TextStyle::callout, font());
    for (QWidget* widget : std::initializer_list<QWidget*>{m_warnings, m_pace, m_bothInTray,
                                                           m_thresholds[0], m_thresholds[1]})
        widget->setFont(callout);
}

void WatchControl::showPreferences() {
    const WatchPreferences& preferences = m_model.preferences();
    const QSignalBlocker blockers[] = {
        QSignalBlocker(m_warnings), QSignalBlocker(m_pace), QSignalBlocker(m_bothInTray),
        QSignalBlocker(m_thresholds[0]), QSignalBlocker(m_thresholds[1])};
    m_warnings->setChecked(preferences.warnings);
    m_pace->setChecked(preferences.pace);
    m_bothInTray->setChecked(preferences.bothInTray);
    // One stored threshold shows in both boxes, so no box offers a figure that is not used.
    const std::vector<int> thresholds =
        preferences.thresholds.empty() ? WatchPreferences{}.thresholds : preferences.thresholds;
    for (std::size_t i = 0; i < m_thresholds.size(); ++i) {
        m_thresholds[i]->setValue(thresholds[std::min(i, thresholds.size() - 1)]);
        m_thresholds[i]->setEnabled(preferences.warnings);
    }
}

void WatchControl::storePreferences() {
    WatchPreferences preferences = m_model.preferences();
    preferences.warnings = m_warnings->isChecked();
    preferences.pace = m_pace->isChecked();
    preferences.bothInTray = m_bothInTray->isChecked();
    preferences.thresholds = {m_thresholds[0]->value(), m_thresholds[1]->value()};
    for (QSpinBox* box : m_thresholds)
        box->setEnabled(preferences.warnings);
    m_model.setPreferences(std::move(preferences));
}

} // namespace tallyglass
