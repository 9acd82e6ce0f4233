#include "tallyglass_app.h"

#include "alert_memory_file.h"

#include "ui/alert_texts.h"
#include "ui/menu_view.h"
#include "ui/tray_icon.h"

#include "core/window_labels.h"

#include <QApplication>

namespace tallyglass {

TallyglassApp::TallyglassApp(SourceTable sources, std::shared_ptr<const Clock> clock,
                             std::unique_ptr<StatusItem> statusItem,
                             std::shared_ptr<LoginItem> loginItem,
                             std::shared_ptr<HelperSwitch> helper,
                             std::unique_ptr<DesktopNotifier> notifier, QObject* parent)
    : QObject(parent)
    , m_model(std::make_unique<UsageModel>(std::move(sources), clock, stateFolderAlertMemory()))
    , m_statusItem(std::move(statusItem))
    , m_icon(trayIcon())
    , m_panel(std::make_unique<PanelHost>(*m_model, clock, std::move(loginItem), std::move(helper)))
    , m_clock(clock)
    , m_notifier(std::move(notifier)) {
    for (auto signal : {&UsageModel::snapshotChanged, &UsageModel::readingsChanged,
                        &UsageModel::preferencesChanged})
        connect(m_model.get(), signal, this, &TallyglassApp::updateStatusItem);
    connect(m_model.get(), &UsageModel::alertsRaised, this, &TallyglassApp::tell);
    if (m_notifier)
        connect(m_notifier.get(), &DesktopNotifier::activated, this,
                [this] { runCommand(MenuCommand::openPanel); });
    updateStatusItem();

    connect(m_statusItem.get(), &StatusItem::activated, m_panel.get(), &PanelHost::toggleNear);
    connect(m_statusItem.get(), &StatusItem::commandChosen, this, &TallyglassApp::runCommand);
    // Followed for the life of the program: a tray may come late (at login) or go.
    m_trayWait.setSingleShot(true);
    connect(&m_trayWait, &QTimer::timeout, this, &TallyglassApp::trayWaitOver);
    connect(m_statusItem.get(), &StatusItem::shownChanged, this, &TallyglassApp::followTray);
    followTray();
}

TallyglassApp::~TallyglassApp() = default;

void TallyglassApp::showPanelWindow() {
    m_panel->showWindow();
}

void TallyglassApp::runCommand(MenuCommand command) {
    switch (command) {
    case MenuCommand::openPanel:
        if (!m_panel->isOpen())
            m_panel->toggleNear(std::nullopt);
        break;
    case MenuCommand::refresh:
        m_model->refresh();
        break;
    case MenuCommand::quit:
        QApplication::quit();
        break;
    }
}

void TallyglassApp::followTray() {
    if (m_statusItem->isShown()) {
        m_trayWait.stop();
        m_wasShown = true;
        // The window stood in for the missing tray; with the icon shown it has done its job.
        if (m_windowForNoTray && m_panel->isWindowed() && m_panel->isOpen())
            m_panel->view()->hide();
        m_windowForNoTray = false;
        return;
    }
    // A panel that restarts (or crashes and comes back) is given longer than one at login.
    if (!m_windowForNoTray && !m_trayWait.isActive())
        m_trayWait.start(m_wasShown ? trayReturnWaitMs : trayWaitMs);
}

void TallyglassApp::trayWaitOver() {
    if (m_statusItem->isShown() || m_windowForNoTray)
        return;
    m_windowForNoTray = true;
    m_panel->showWindow();
}

void TallyglassApp::tell(const std::vector<UsageAlert>& alerts) {
    if (!m_notifier)
        return;
    for (const UsageAlert& alert : alerts) {
        const NotificationText text = notificationText(alert, m_clock->now());
        m_notifier->notify(text.title, text.body, text.urgent);
    }
}

// "C 42% · X 12%"; further Claude folders are told apart by number: "C 42% · C2 7% · X 12%".
std::optional<std::string> TallyglassApp::everySourceSummary() const {
    std::vector<std::pair<std::string, std::optional<UsageSnapshot>>> readings;
    int claudeSources = 0;
    for (const SourceId& source : m_model->sourceIds()) {
        std::string mark(assistantMark(source.kind));
        if (source.kind == SourceKind::claude && ++claudeSources > 1)
            mark += std::to_string(claudeSources);
        readings.emplace_back(std::move(mark), m_model->latestReading(source));
    }
    return markedSummary(readings);
}

void TallyglassApp::updateStatusItem() {
    std::optional<QString> summary;
    const auto text =
        m_model->preferences().bothInTray ? everySourceSummary() : m_model->menuBarSummary();
    if (text)
        summary = QString::fromStdString(*text);
    // Most refreshes publish the same figures; the tray redraws only when they change.
    if (m_shownSummary && *m_shownSummary == summary)
        return;
    m_shownSummary = summary;
    m_statusItem->setContent(m_icon, summary);
}

} // namespace tallyglass
