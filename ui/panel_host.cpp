#include "panel_host.h"

#include "menu_view.h"
#include "panel_accessibility.h"
#include "panel_placement.h"
#include "platform/panel_pinning.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

namespace tallyglass {
namespace {

// Wayland clients cannot place their own windows nor know where the pointer is on screen;
// there the compositor decides, and focus loss stands in for a click elsewhere.
bool onWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

PanelHost::PanelHost(UsageModel& model, std::shared_ptr<const Clock> clock,
                     std::shared_ptr<LoginItem> loginItem, std::shared_ptr<HelperSwitch> helper,
                     QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_clock(std::move(clock))
    , m_loginItem(std::move(loginItem))
    , m_helper(std::move(helper)) {
    installPanelAccessibility();
    // A tool window that the compositor never activated gets no deactivation either; the
    // application losing focus to another program is the click elsewhere there.
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (onWayland() && state != Qt::ApplicationActive && m_mode == Mode::attached &&
                    isOpen())
                    m_view->hide();
            });
}

PanelHost::~PanelHost() = default;

MenuView& PanelHost::ensureView() {
    if (!m_view) {
        m_view = std::make_unique<MenuView>(m_model, m_clock, m_loginItem, m_helper);
        m_view->setAttribute(Qt::WA_QuitOnClose, false);
        m_view->installEventFilter(this);
    }
    return *m_view;
}

bool PanelHost::isOpen() const {
    return m_view && m_view->isVisible();
}

void PanelHost::toggleNear(std::optional<QPoint> anchor) {
    if (isOpen()) {
        m_view->hide();
        return;
    }
    if (m_sinceClosed.isValid() && m_sinceClosed.elapsed() < reopenGuardMs)
        return;
    MenuView& view = ensureView();
    setMode(Mode::attached);
    // Where this pins the panel, the compositor places it; place() leaves Wayland alone.
    pinPanelToCorner(view, anchor);
    m_anchor = onWayland() ? std::nullopt : anchor;
    place();
    view.show();
    view.raise();
    view.activateWindow();
}

void PanelHost::showWindow() {
    MenuView& view = ensureView();
    if (m_mode != Mode::window) {
        view.hide();
        setMode(Mode::window);
    }
    view.showNormal();
    view.raise();
    view.activateWindow();
}

void PanelHost::setMode(Mode mode) {
    if (m_mode == mode)
        return;
    m_mode = mode;
    // A Wayland surface keeps the role it was first shown in (pinned, or an ordinary window):
    // another mode needs a new one.
    if (onWayland() && m_view->windowHandle())
        m_view->dropNativeWindow();
    const Qt::WindowFlags attached =
        onWayland() ? Qt::Tool | Qt::FramelessWindowHint : Qt::Popup | Qt::FramelessWindowHint;
    const Qt::WindowFlags window =
        Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint;
    m_view->setWindowFlags(mode == Mode::attached ? attached : window);
    m_view->setFramed(mode == Mode::attached);
}

void PanelHost::place() {
    if (onWayland())
        return;
    QScreen* screen = m_anchor ? QGuiApplication::screenAt(*m_anchor) : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    // Without a position, the top-right corner is where trays usually are.
    const QPoint anchor = m_anchor.value_or(available.topRight());
    m_view->move(panelOrigin(anchor, m_view->size(), available));
}

bool PanelHost::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_view.get() || m_mode != Mode::attached)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Hide:
        m_sinceClosed.start();
        break;
    case QEvent::WindowDeactivate:
        if (onWayland())
            m_view->hide();
        break;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            m_view->hide();
        break;
    case QEvent::Resize:
        // The content grew or shrank (an error line, more rows): keep it on screen.
        if (m_view->isVisible())
            place();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tallyglass
