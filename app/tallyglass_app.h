#pragma once

#include "core/usage_model.h"
#include "platform/login_item.h"
#include "platform/status_item.h"
#include "ui/panel_host.h"

#include <QObject>
#include <QTimer>

#include <memory>

namespace tallyglass {

// The shell: owns the one model for the life of the process and keeps the status item in step
// with it. No window opens at start, unless no tray shows the item: then the panel opens in
// an ordinary window, so the program is never invisible.
class TallyglassApp final : public QObject {
    Q_OBJECT

public:
    TallyglassApp(SourceTable sources, std::shared_ptr<const Clock> clock,
                  std::unique_ptr<StatusItem> statusItem, std::shared_ptr<LoginItem> loginItem,
                  QObject* parent = nullptr);
    ~TallyglassApp() override;

    // How long a tray host may take to appear (at login it may start after this program).
    static constexpr int trayWaitMs = 2000;

    UsageModel& model() { return *m_model; }
    StatusItem& statusItem() { return *m_statusItem; }
    PanelHost& panel() { return *m_panel; }

    // Shows the panel in a window: for a second start of the program.
    void showPanelWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void retint();
    void updateStatusItem();
    void checkTrayShown();

    std::unique_ptr<UsageModel> m_model;
    std::unique_ptr<StatusItem> m_statusItem;
    QIcon m_icon;
    // What the status item shows now; none before the first update and after a retint.
    std::optional<std::optional<QString>> m_shownSummary;
    std::unique_ptr<PanelHost> m_panel;
    QTimer m_trayCheck;
    int m_trayChecksLeft = 0;
};

} // namespace tallyglass
