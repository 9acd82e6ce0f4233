#pragma once

#include "core/usage_model.h"
#include "platform/desktop_notifier.h"
#include "platform/login_item.h"
#include "platform/status_item.h"
#include "ui/panel_host.h"

#include <QObject>
#include <QTimer>

#include <memory>

namespace tallyglass {

// The shell: owns the one model for the life of the process and keeps the status item in step
// with it; tells the model's alerts through the notifier. No window opens at start, unless no tray
// shows the item: then the panel opens in an ordinary window, so the program is never invisible,
// and closes again once a tray shows the item.
class TallyglassApp final : public QObject {
    Q_OBJECT

public:
    TallyglassApp(SourceTable sources, std::shared_ptr<const Clock> clock,
                  std::unique_ptr<StatusItem> statusItem, std::shared_ptr<LoginItem> loginItem,
                  std::shared_ptr<HelperSwitch> helper = nullptr,
                  std::unique_ptr<DesktopNotifier> notifier = nullptr, QObject* parent = nullptr);
    ~TallyglassApp() override;

    // How long a tray host may take to appear (at login it may start after this program).
    static constexpr int trayWaitMs = 2000;
    static constexpr int trayReturnWaitMs = 10000;

    UsageModel& model() { return *m_model; }
    StatusItem& statusItem() { return *m_statusItem; }
    PanelHost& panel() { return *m_panel; }

    // Shows the panel in a window: for a second start of the program.
    void showPanelWindow();

private:
    void runCommand(MenuCommand command);
    void updateStatusItem();
    std::optional<std::string> everySourceSummary() const;
    void followTray();
    void trayWaitOver();
    void tell(const std::vector<UsageAlert>& alerts);

    std::unique_ptr<UsageModel> m_model;
    std::unique_ptr<StatusItem> m_statusItem;
    QIcon m_icon;
    // What the status item shows now; none before the first update.
    std::optional<std::optional<QString>> m_shownSummary;
    std::unique_ptr<PanelHost> m_panel;
    std::shared_ptr<const Clock> m_clock;
    std::unique_ptr<DesktopNotifier> m_notifier;
    // Runs while the item is not shown, until the window stands in for it.
    QTimer m_trayWait;
    // The panel window was opened because no tray showed the item.
    bool m_windowForNoTray = false;
    bool m_wasShown = false;
};

} // namespace tallyglass
