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
                             std::unique_ptr<StatusItem> statusItem, QObject* parent)
    : QObject(parent)
    , m_model(std::make_unique<UsageModel>(std::move(sources), std::move(clock)))
    , m_statusItem(std::move(statusItem))
    , m_icon(iconFor(*m_statusItem)) {
    // The summary is derived from the snapshot alone.
    connect(m_model.get(), &UsageModel::snapshotChanged, this, &TallyglassApp::updateStatusItem);
    connect(m_statusItem.get(), &StatusItem::hostChanged, this, &TallyglassApp::retint);
    qGuiApp->installEventFilter(this);
    updateStatusItem();
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
    updateStatusItem();
}

void TallyglassApp::updateStatusItem() {
    std::optional<QString> summary;
    if (auto text = m_model->menuBarSummary())
        summary = QString::fromStdString(*text);
    m_statusItem->setContent(m_icon, summary);
}

} // namespace tallyglass
