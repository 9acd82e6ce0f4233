#pragma once

#include "core/clock.h"
#include "core/helper_switch.h"
#include "core/usage_model.h"
#include "platform/login_item.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class QFrame;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace tallyglass {

class ClaudeFolderControl;
class ElidedLabel;
class HelperControl;
class LoginControl;
class SourceSwitch;
class WatchControl;

// The panel: header, source switch, one row per window or the reason there is none, and the
// The panel: header, source switch, one row per window or the reason there is none, and the
// footer with the Claude folder, launch at login, the helper's way out of Claude Code, what to be
// told, Refresh and Quit. It holds no usage data; it rebuilds from the model after every
// announcement while on screen, and each time it comes on screen.
class MenuView final : public QWidget {
    Q_OBJECT

public:
    MenuView(UsageModel& model, std::shared_ptr<const Clock> clock,
             std::shared_ptr<LoginItem> loginItem, std::shared_ptr<HelperSwitch> helper = nullptr,
             QWidget* parent = nullptr);

    // Reads the model afresh and rebuilds everything it shows.
    void rebuild();

    // True between a model announcement and the rebuild that follows it.
    bool rebuildPending() const { return m_rebuildSoon.isActive(); }

    // A hairline border, for when the panel floats without a window frame.
    void setFramed(bool framed);
    // Drops the native window, so that the next show makes a plain one afresh (one pinned by
    // the compositor stays so for its life).
    void dropNativeWindow() { destroy(); }

    ClaudeFolderControl* claudeFolderControl() const { return m_claudeFolder; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* buildHeader();
    QWidget* buildFooter();
    QWidget* buildDataArea();
    QWidget* buildUpdatedBlock(const UsageSnapshot& snapshot, QWidget* parent);
    QWidget* buildEmptyState(QWidget* parent);
    QWidget* buildSetupBlock(const SetupReport& report, QWidget* parent);
    void addManualSetup(const SetupReport& report, QVBoxLayout* column, QWidget* block);
    void updateHeader();
    void restyle();
    void fitHeight();
    void modelChanged();
    void helperChanged();

    UsageModel& m_model;
    std::shared_ptr<const Clock> m_clock;
    QVBoxLayout* m_layout;
    QLabel* m_title = nullptr;
    ElidedLabel* m_planBadge = nullptr;
    ElidedLabel* m_modelName = nullptr;
    SourceSwitch* m_sourceSwitch = nullptr;
    QWidget* m_dataArea = nullptr;
    QFrame* m_divider = nullptr;
    LoginControl* m_loginControl = nullptr;
    ClaudeFolderControl* m_claudeFolder = nullptr;
    // Only where a helper can be taken out, and only while Claude Code is watched.
    HelperControl* m_helperControl = nullptr;
    WatchControl* m_watchControl = nullptr;
    QPushButton* m_refresh = nullptr;
    QPushButton* m_quit = nullptr;
    bool m_framed = false;
    bool m_built = false;
    // Set by every model announcement, cleared by every rebuild.
    bool m_stale = false;
    QTimer m_rebuildSoon;
    double m_builtAt = 0;
    // The notice that the helper was added is on screen: once the panel closes it was seen.
    bool m_noticeShown = false;
};

} // namespace tallyglass
