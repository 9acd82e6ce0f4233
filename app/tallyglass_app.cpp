#include "tallyglass_app.h"

#include "ui/status_label.h"
#include "ui/tray_icon.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPalette>

namespace tallyglass {
namespace {

QIcon iconFor(const StatusItem& item) {
    const QColor background =
        item.hostBackground().value_or(QGuiApplication::palette().color(QPalette::Window));
    return trayIcon(trayTint(background));
}

} // namespace

TallyglassApp::TallyglassApp(SourceTable sources, std::shared_ptr<const Clock> clock,
                             std::unique_ptr<StatusItem> statusItem,
                             std::shared_ptr<LoginItem> loginItem, QObject* parent)
    : QObject(parent)
    , m_model(std::make_unique<UsageModel>(std::move(sources), clock))
    , m_statusItem(std::move(statusItem))
    , m_icon(iconFor(*m_statusItem))
    , m_panel(std::make_unique<PanelHost>(*m_model, clock, std::move(loginItem))) {
    // The summary is derived from the snapshot alone.
    connect(m_model.get(), &UsageModel::snapshotChanged, this, &TallyglassApp::updateStatusItem);
    connect(m_statusItem.get(), &StatusItem::hostChanged, this, &TallyglassApp::retint);
    qGuiApp->installEventFilter(this);
    updateStatusItem();

    connect(m_statusItem.get(), &StatusItem::activated, m_panel.get(), &PanelHost::toggleNear);
    // Checked from the event loop, a few times, before falling back to a window.
    constexpr int checkEveryMs = 250;
    m_trayChecksLeft = trayWaitMs / checkEveryMs;
    m_trayCheck.setInterval(checkEveryMs);
    connect(&m_trayCheck, &QTimer::timeout, this, &TallyglassApp::checkTrayShown);
    m_trayCheck.start();
}

TallyglassApp::~TallyglassApp() = default;

bool TallyglassApp::eventFilter(QObject* watched, QEvent* event) {
    // A switch between light and dark changes the palette; the icon's tint follows it.
    if (watched == qGuiApp && event->type() == QEvent::ApplicationPaletteChange)
        retint();
    return QObject::eventFilter(watched, event);
}

void TallyglassApp::retint() {
    m_icon = iconFor(*m_statusItem);
    m_shownSummary.reset();
    updateStatusItem();
}

void TallyglassApp::showPanelWindow() {
    m_panel->showWindow();
}

void TallyglassApp::checkTrayShown() {
    if (m_statusItem->isShown()) {
        m_trayCheck.stop();
        return;
    }
    if (--m_trayChecksLeft > 0)
        return;
    m_trayCheck.stop();
    m_panel->showWindow();
}

void TallyglassApp::updateStatusItem() {
    std::optional<QString> summary;
    if (auto text = m_model->menuBarSummary())
        summary = QString::fromStdString(*text);
    // Most refreshes publish the same figures; the tray redraws only when they change.
    if (m_shownSummary && *m_shownSummary == summary)
        return;
    m_shownSummary = summary;
    m_statusItem->setContent(m_icon, summary);
}

} // namespace tallyglass
