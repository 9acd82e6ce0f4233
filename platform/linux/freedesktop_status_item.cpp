#include "freedesktop_status_item.h"

#include "platform/tray_status_item.h"
#include "status_notifier_item.h"

namespace tallyglass {

FreedesktopStatusItem::FreedesktopStatusItem(QDBusConnection bus, QObject* parent)
    : StatusItem(parent)
    , m_watch(std::move(bus)) {
    connect(&m_watch, &StatusNotifierHostWatch::changed, this, &FreedesktopStatusItem::follow);
    follow();
}

FreedesktopStatusItem::~FreedesktopStatusItem() = default;

void FreedesktopStatusItem::follow() {
    const bool wanted = m_watch.hostPresent();
    if (m_current && wanted == m_usesStatusNotifier)
        return;
    // The old item goes first: Qt's tray icon would itself speak to a watcher that is
    // already there, and the host would show two items.
    m_current.reset();
    m_usesStatusNotifier = wanted;
    if (wanted)
        m_current = std::make_unique<StatusNotifierItem>(m_watch);
    else
        m_current = std::make_unique<TrayStatusItem>();
    connect(m_current.get(), &StatusItem::activated, this, &StatusItem::activated);
    connect(m_current.get(), &StatusItem::commandChosen, this, &StatusItem::commandChosen);
    connect(m_current.get(), &StatusItem::shownChanged, this, &StatusItem::shownChanged);
    if (!m_icon.isNull())
        m_current->setContent(m_icon, m_summary);
    emit shownChanged();
}

bool FreedesktopStatusItem::isShown() const {
    return m_current->isShown();
}

void FreedesktopStatusItem::setContent(const QIcon& icon, const std::optional<QString>& summary) {
    m_icon = icon;
    m_summary = summary;
    m_current->setContent(icon, summary);
}

} // namespace tallyglass
