#include "status_notifier_adaptor.h"

#include <algorithm>

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

void StatusNotifierAdaptor::setContent(const SniPixmapList& pixmaps, const QString& label) {
    const bool iconChanged = !samePixmaps(pixmaps, m_pixmaps);
    const bool labelChanged = label != m_label;
    m_pixmaps = pixmaps;
    m_label = label;
    if (iconChanged)
        emit NewIcon();
    if (labelChanged)
        emit XAyatanaNewLabel(m_label, labelGuide());
    if (iconChanged || labelChanged)
        emit NewToolTip();
}

SniToolTip StatusNotifierAdaptor::toolTip() const {
    return SniToolTip{QString(), m_pixmaps, title(), m_label};
}

QDBusObjectPath StatusNotifierAdaptor::menu() const {
    // No menu: hosts then send ContextMenu, which opens the panel like a left click.
    return QDBusObjectPath(QStringLiteral("/NO_DBUSMENU"));
}

void StatusNotifierAdaptor::Activate(int x, int y) {
    if (onActivate)
        onActivate(QPoint(x, y));
}

void StatusNotifierAdaptor::SecondaryActivate(int, int) {
    // A middle click has no meaning of its own here.
}

void StatusNotifierAdaptor::ContextMenu(int x, int y) {
    // The panel holds every control there is, so a right click opens it too.
    Activate(x, y);
}

void StatusNotifierAdaptor::Scroll(int, const QString&) {}

} // namespace tallyglass
