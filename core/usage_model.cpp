#include "usage_model.h"

#include "window_labels.h"

#include <QPointer>
#include <QSettings>

namespace tallyglass {
namespace {

constexpr auto activeSourceKey = "activeSource";

QSettings userDefaults()
{
    return QSettings(QStringLiteral("Tallyglass"), QStringLiteral("Tallyglass"));
}

} // namespace

UsageModel::UsageModel(SourceTable sources, std::shared_ptr<const Clock> clock, QObject* parent)
    : QObject(parent)
    , m_clock(std::move(clock))
    , m_lastChecked(m_clock->now())
    , m_sources(std::move(sources))
{
    const QString stored = userDefaults().value(activeSourceKey).toString();
    m_activeKind = stored == QLatin1String("codex") ? SourceKind::codex : SourceKind::claude;
    prepareAndRefresh();

    m_timer.setInterval(refreshIntervalMs);
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &UsageModel::refresh);
    m_timer.start();
}

UsageModel::~UsageModel() = default;

bool UsageModel::isStale() const
{
    return m_snapshot && m_clock->now() - m_snapshot->updatedAt > staleAfterSeconds;
}

std::optional<std::string> UsageModel::menuBarSummary() const
{
    return tallyglass::menuBarSummary(m_snapshot);
}

void UsageModel::refresh()
{
    startLoad(false);
}

void UsageModel::prepareAndRefresh()
{
    startLoad(true);
}

void UsageModel::selectSource(SourceKind kind)
{
    if (kind == m_activeKind)
        return;
    m_activeKind = kind;
    emit activeKindChanged();
    auto defaults = userDefaults();
    defaults.setValue(activeSourceKey, QString::fromUtf8(rawValue(kind)));
    defaults.sync();
    m_snapshot.reset();
    emit snapshotChanged();
    prepareAndRefresh();
}

void UsageModel::startLoad(bool withPrepare)
{
    const SourceKind kind = m_activeKind;
    const auto found = m_sources.find(kind);
    if (found == m_sources.end())
        return;
    if (m_loadTask)
        m_loadTask->cancelled = true;
    auto job = std::make_shared<LoadJob>();
    m_loadTask = job;
    if (!withPrepare) {
        performLoad(kind, job);
        return;
    }
    QPointer<UsageModel> self(this);
    found->second->prepare().then(this, [self, kind, job] {
        if (self)
            self->performLoad(kind, job);
    });
}

void UsageModel::performLoad(SourceKind kind, std::shared_ptr<LoadJob> job)
{
    // Continuations hold only a weak reference to the model and look the source up again:
    // sources live exactly as long as the model and are released on the main thread.
    QPointer<UsageModel> self(this);
    m_sources.at(kind)->loadSnapshot().then(this, [self, kind, job](std::optional<UsageSnapshot> r) {
        if (!self)
            return;
        self->m_sources.at(kind)->isAvailable().then(
            self.data(), [self, kind, job, r = std::move(r)](bool available) mutable {
                if (!self || job->cancelled || self->m_activeKind != kind)
                    return;
                self->publish(std::move(r), available);
            });
    });
}

void UsageModel::publish(std::optional<UsageSnapshot> snapshot, bool available)
{
    m_snapshot = std::move(snapshot);
    emit snapshotChanged();
    m_sourceAvailable = available;
    emit sourceAvailableChanged();
    m_lastChecked = m_clock->now();
    emit lastCheckedChanged();
}

} // namespace tallyglass
