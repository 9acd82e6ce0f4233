#pragma once

#include "core/clock.h"
#include "core/helper_switch.h"
#include "core/usage_model.h"
#include "platform/login_item.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>

#include <memory>
#include <optional>

namespace tallyglass {

class MenuView;

// Puts the one panel on screen: attached to the tray item (on Wayland, pinned to the screen
// corner nearest it where the compositor allows), closing on a click elsewhere, Escape or a
// second click on the item; or, where no tray shows the item, in an ordinary window that the
// user closes to hide. The panel is made on first use and kept, with its view-local state,
// for the life of the process.
class PanelHost final : public QObject {
    Q_OBJECT

public:
    // A tray click that comes this soon after the panel closed is the click that closed it.
    static constexpr int reopenGuardMs = 300;

    PanelHost(UsageModel& model, std::shared_ptr<const Clock> clock,
              std::shared_ptr<LoginItem> loginItem, std::shared_ptr<HelperSwitch> helper = nullptr,
              QObject* parent = nullptr);
    ~PanelHost() override;

    // The tray item was clicked, at anchor when the desktop tells where.
    void toggleNear(std::optional<QPoint> anchor);
    // Shows the panel in an ordinary window and brings it forward.
    void showWindow();

    bool isOpen() const;
    bool isWindowed() const { return m_mode == Mode::window; }
    MenuView* view() const { return m_view.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Mode { none, attached, window };

    MenuView& ensureView();
    void setMode(Mode mode);
    void place();

    UsageModel& m_model;
    std::shared_ptr<const Clock> m_clock;
    std::shared_ptr<LoginItem> m_loginItem;
    std::shared_ptr<HelperSwitch> m_helper;
    std::unique_ptr<MenuView> m_view;
    Mode m_mode = Mode::none;
    std::optional<QPoint> m_anchor;
    QElapsedTimer m_sinceClosed;
};

} // namespace tallyglass
