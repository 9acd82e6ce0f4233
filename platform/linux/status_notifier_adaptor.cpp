#include "status_notifier_adaptor.h"

#include "dbus_menu_adaptor.h"
#include "platform/status_menu.h"

#include <algorithm>
#include <utility>

namespace tallyglass {
namespace {

bool samePixmaps(const SniPixmapList& a, const SniPixmapList& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const SniPixmap& x, const SniPixmap& y) {
                          return x.width == y.width && x.height == y.height && x.argb == y.argb;
                      });
}

} // namespace

StatusNotifierAdaptor::StatusNotifierAdaptor(QObject* parent)
    : QDBusAbstractAdaptor(parent) {
    registerSniTypes();
}

void StatusNotifierAdaptor::setContent(const SniPixmapList& pixmaps,
                                       const std::optional<QString>& summary) {
    const bool iconChanged = !samePixmaps(pixmaps, m_pixmaps);
    const bool labelChanged = summary != m_summary;
    m_pixmaps = pixmaps;
    m_summary = summary;
    if (m_quiet)
        return;
    if (iconChanged)
        emit NewIcon();
    if (labelChanged)
        emit XAyatanaNewLabel(m_summary.value_or(QString()), labelGuide());
    if (iconChanged || labelChanged)
        emit NewToolTip();
}

void StatusNotifierAdaptor::setIconName(const QString& name, const QString& themePath) {
    m_iconName = name;
    m_iconThemePath = themePath;
}

SniToolTip StatusNotifierAdaptor::toolTip() const {
    // The figures go into the title, which every host shows (LXQt shows nothing else); a
    // description repeating them would show them twice where hosts draw both.
    return heard(SniToolTip{QString(), m_pixmaps, statusTitle(m_summary), QString()});
}

QDBusObjectPath StatusNotifierAdaptor::menu() const {
    return QDBusObjectPath(QLatin1String(DBusMenuAdaptor::objectPath));
}

void StatusNotifierAdaptor::Activate(int x, int y) {
    if (m_sinceActivated.isValid() && m_sinceActivated.elapsed() < sameClickMs)
        return;
    m_sinceActivated.start();
    // Qt's Wayland windows take the token from here when they ask for the focus, and use it
    // once.
    if (!m_activationToken.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", std::exchange(m_activationToken, {}).toUtf8());
    if (onActivate)
        onActivate(QPoint(x, y));
}

void StatusNotifierAdaptor::SecondaryActivate(int, int) {
    // A middle click has no meaning of its own here.
}

void StatusNotifierAdaptor::ContextMenu(int x, int y) {
    // Hosts that cannot show the menu themselves ask for it: the panel holds the same
    // controls.
    Activate(x, y);
}

void StatusNotifierAdaptor::Scroll(int, const QString&) {}

void StatusNotifierAdaptor::ProvideXdgActivationToken(const QString& token) {
    m_activationToken = token;
}

} // namespace tallyglass
