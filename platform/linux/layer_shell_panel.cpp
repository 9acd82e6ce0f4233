#include "platform/panel_pinning.h"

#include <LayerShellQt/Window>
#include <wayland-client.h>

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <cstring>

namespace tallyglass {
namespace {

// Between the panel and the screen's edges, or the bar that keeps the edge for itself.
constexpr int cornerGap = 4;

// LayerShellQt falls back to an ordinary window where the compositor lacks the protocol,
// saying so only in a warning; asking the compositor first tells the two cases apart.
bool compositorOffersLayerShell() {
    static const bool offered = [] {
        auto* app = qGuiApp->nativeInterface<QNativeInterface::QWaylandApplication>();
        wl_display* display = app ? app->display() : nullptr;
        if (!display)
            return false;
        // On a queue of its own: Qt reads the default queue from its own thread.
        wl_event_queue* queue = wl_display_create_queue(display);
        auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue);
        wl_registry* registry = wl_display_get_registry(wrapper);
        static const wl_registry_listener listener{
            [](void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
                if (std::strcmp(interface, "zwlr_layer_shell_v1") == 0)
                    *static_cast<bool*>(data) = true;
            },
            [](void*, wl_registry*, uint32_t) {}};
        bool found = false;
        wl_registry_add_listener(registry, &listener, &found);
        const bool answered = wl_display_roundtrip_queue(display, queue) >= 0;
        wl_registry_destroy(registry);
        wl_proxy_wrapper_destroy(wrapper);
        wl_event_queue_destroy(queue);
        return answered && found;
    }();
    return offered;
}

// Exclusive while the panel opens, so that the compositor hands it the keyboard even from a
// focused window (sway does not for a surface that asks only on demand); on demand once it
// has the keyboard, so that a click elsewhere takes it away and closes the panel.
class KeyboardHandover final : public QObject {
public:
    static constexpr char name[] = "tallyglass-keyboard-handover";

    KeyboardHandover(LayerShellQt::Window& layer, QWindow& window)
        : QObject(&window)
        , m_layer(layer) {
        setObjectName(QLatin1String(name));
        window.installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::FocusIn)
            m_layer.setKeyboardInteractivity(LayerShellQt::Window::KeyboardInteractivityOnDemand);
        return false;
    }

private:
    LayerShellQt::Window& m_layer;
};

LayerShellQt::Window::Anchors anchorsOf(ScreenCorner corner) {
    using Window = LayerShellQt::Window;
    switch (corner) {
    case ScreenCorner::topLeft:
        return Window::Anchors(Window::AnchorTop | Window::AnchorLeft);
    case ScreenCorner::topRight:
        return Window::Anchors(Window::AnchorTop | Window::AnchorRight);
    case ScreenCorner::bottomLeft:
        return Window::Anchors(Window::AnchorBottom | Window::AnchorLeft);
    case ScreenCorner::bottomRight:
        break;
    }
    return Window::Anchors(Window::AnchorBottom | Window::AnchorRight);
}

} // namespace

bool pinPanelToCorner(QWidget& panel, std::optional<QPoint> item) {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ||
        !compositorOffersLayerShell())
        return false;
    panel.winId();
    QWindow* window = panel.windowHandle();
    LayerShellQt::Window* layer = window ? LayerShellQt::Window::get(window) : nullptr;
    if (!layer)
        return false;
    // Bars on Wayland tell where in the bar the item was clicked, Plasma where on the screen;
    // either way the screen holding the point is the one to measure it against. Which screen
    // the panel opens on is the compositor's choice: the one the user works on.
    QScreen* screen = item ? QGuiApplication::screenAt(*item) : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect geometry = screen ? screen->geometry() : QRect();
    layer->setScope(QStringLiteral("tallyglass"));
    layer->setLayer(LayerShellQt::Window::LayerTop);
    layer->setAnchors(anchorsOf(nearestCorner(item, geometry)));
    layer->setMargins(QMargins(cornerGap, cornerGap, cornerGap, cornerGap));
    // Kept clear of bars that reserve an edge, and reserving none itself.
    layer->setExclusiveZone(0);
    layer->setKeyboardInteractivity(LayerShellQt::Window::KeyboardInteractivityExclusive);
    if (!window->findChild<QObject*>(QLatin1String(KeyboardHandover::name),
                                     Qt::FindDirectChildrenOnly))
        new KeyboardHandover(*layer, *window);
    layer->setScreenConfiguration(LayerShellQt::Window::ScreenFromCompositor);
    return true;
}

} // namespace tallyglass
