#include "usage_model.h"

#include "user_defaults.h"
#include "window_labels.h"
#include "window_reset.h"

#include <QPointer>

namespace tallyglass {
namespace {

// Delivers a source's answer to the main thread through the event loop, also when the future
// has already finished: a load never publishes from inside the call that started it.
template <typename T, typename F> void whenReady(QFuture<T> future, QObject* context, F callback) {
    QPointer<QObject> guard(context);
    if constexpr (std::is_void_v<T>) {
        future.then(QtFuture::Launch::Sync, [guard, callback] {
            QMetaObject::invokeMethod(guard, callback, Qt::QueuedConnection);
        });
    } else {
        future.then(QtFuture::Launch::Sync, [guard, callback](T value) {
            QMetaObject::invokeMethod(
                guard, [callback, value = std::move(value)] { callback(value); },
                Qt::QueuedConnection);
        });
    }
}

// Cancels the job the slot holds and puts a new one in its place.
std::shared_ptr<std::atomic<bool>> supersede(std::shared_ptr<std::atomic<bool>>& slot) {
    if (slot)
        *slot = true;
    slot = std::make_shared<std::atomic<bool>>(false);
    return slot;
}

} // namespace

UsageModel::UsageModel(SourceTable sources, std::shared_ptr<const Clock> clock,
                       std::shared_ptr<AlertMemory> alertMemory, QObject* parent)
    : UsageModel(std::move(sources), std::move(clock), std::nullopt, std::move(alertMemory),
                 parent) {}

UsageModel::UsageModel(SourceTable sources, std::shared_ptr<const Clock> clock, ReadOnlyWatch watch,
                       QObject* parent)
    : UsageModel(std::move(sources), std::move(clock), std::optional(watch), nullptr, parent) {}

UsageModel::UsageModel(SourceTable sources, std::shared_ptr<const Clock> clock,
                       std::optional<ReadOnlyWatch> watch, std::shared_ptr<AlertMemory> alertMemory,
                       QObject* parent)
    : QObject(parent)
    , m_clock(std::move(clock))
    , m_lastChecked(m_clock->now())
    , m_sources(std::move(sources))
    // One source, read and nothing else.
    , m_preferences(watch ? WatchPreferences{.warnings = false, .pace = false}
                          : loadWatchPreferences())
    , m_alerts(std::move(alertMemory))
    , m_readOnly(watch.has_value()) {
    m_activeKind = watch ? watch->source : storedActiveKind();
    prepareAndRefresh();

    m_timer.setInterval(refreshIntervalMs);
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &UsageModel::tick);
    m_timer.start();
}

UsageModel::~UsageModel() = default;

bool UsageModel::isStale() const {
    return m_snapshot && m_clock->now() - m_snapshot->updatedAt > staleAfterSeconds;
}

std::optional<std::string> UsageModel::menuBarSummary() const {
    if (!m_snapshot)
        return std::nullopt;
    return tallyglass::menuBarSummary(m_labeledWindows);
}

const std::optional<UsageSnapshot>& UsageModel::latestReading(SourceKind kind) const {
    static const std::optional<UsageSnapshot> none;
    const auto found = m_latest.find(kind);
    return found == m_latest.end() ? none : found->second;
}

void UsageModel::setPreferences(WatchPreferences preferences) {
    preferences.thresholds = cleanThresholds(std::move(preferences.thresholds));
    if (preferences == m_preferences)
        return;
    m_preferences = std::move(preferences);
    storeWatchPreferences(m_preferences);
    emit preferencesChanged();
}

std::optional<double> UsageModel::paceForecast(const LabeledWindow& entry) const {
    if (!m_preferences.pace || !m_snapshot)
        return std::nullopt;
    return m_alerts.paceForecast(m_activeKind, entry.key, entry.window, m_snapshot->updatedAt,
                                 m_clock->now());
}

void UsageModel::refresh() {
    // A set-up that failed is tried again, so mending the file by hand is seen at once.
    startLoad(m_setupReport.result == SetupReport::Result::failed);
    if (m_preferences.watchesBothSources())
        loadOtherSource();
}

void UsageModel::tick() {
    startLoad(m_setupReport.result == SetupReport::Result::failed);
    // Half a minute is soon enough for a warning or the tray, and reading the other assistant
    // at every tick would double what the program costs while idle.
    if (++m_ticks % otherSourceTicks == 0 && m_preferences.watchesBothSources())
        loadOtherSource();
}

void UsageModel::loadOtherSource() {
    const SourceKind kind =
        m_activeKind == SourceKind::claude ? SourceKind::codex : SourceKind::claude;
    const auto found = m_sources.find(kind);
    if (found == m_sources.end())
        return;
    auto job = supersede(m_otherLoadTask);
    // Only read: the other assistant's set-up is left to the moment the user picks it.
    whenReady(found->second->loadSnapshot(job), this,
              [this, kind, job](const std::optional<UsageSnapshot>& snapshot) {
                  if (!*job && m_activeKind != kind)
                      record(kind, snapshot);
              });
}

void UsageModel::record(SourceKind kind, const std::optional<UsageSnapshot>& snapshot) {
    // Also without a new reading: a window's reset comes with time alone.
    if (snapshot && (m_preferences.warnings || m_preferences.pace)) {
        const auto alerts = m_alerts.observe(kind, *snapshot, m_clock->now(), m_preferences);
        if (!alerts.empty())
            emit alertsRaised(alerts);
    }
    auto& latest = m_latest[kind];
    if (latest == snapshot)
        return;
    latest = snapshot;
    emit readingsChanged();
}

void UsageModel::prepareAndRefresh() {
    startLoad(true);
}

void UsageModel::selectSource(SourceKind kind) {
    if (kind == m_activeKind)
        return;
    m_activeKind = kind;
    emit activeKindChanged();
    if (const auto defaults = userDefaults()) {
        defaults->setValue(activeSourceKey, QString::fromUtf8(rawValue(kind)));
        defaults->sync();
    }
    m_snapshot.reset();
    m_labeledWindows.clear();
    emit snapshotChanged();
    setSetupReport({});
    prepareAndRefresh();
}

void UsageModel::acknowledgeSetupNotice() {
    if (m_setupReport.result == SetupReport::Result::added)
        setSetupReport({});
}

void UsageModel::setSetupReport(SetupReport report) {
    if (report == m_setupReport)
        return;
    m_setupReport = std::move(report);
    emit setupReportChanged();
}

void UsageModel::startLoad(bool withPrepare) {
    const SourceKind kind = m_activeKind;
    const auto found = m_sources.find(kind);
    if (found == m_sources.end())
        return;
    auto job = supersede(m_loadTask);
    if (!withPrepare || m_readOnly) {
        performLoad(kind, job);
        return;
    }
    // The report counts even when a refresh superseded the load: it is the newest set-up's.
    whenReady(found->second->prepare(), this, [this, kind, job](const SetupReport& report) {
        if (m_activeKind != kind)
            return;
        setSetupReport(report);
        performLoad(kind, job);
    });
}

void UsageModel::performLoad(SourceKind kind, std::shared_ptr<std::atomic<bool>> job) {
    // Callbacks run on the main thread and only while the model exists; they look the source
    // up again rather than holding it, so sources are always released on the main thread.
    whenReady(m_sources.at(kind)->loadSnapshot(job), this,
              [this, kind, job](const std::optional<UsageSnapshot>& snapshot) {
                  whenReady(m_sources.at(kind)->isAvailable(job), this,
                            [this, kind, job, snapshot](bool available) {
                                if (*job || m_activeKind != kind)
                                    return;
                                publish(snapshot, available);
                            });
              });
}

void UsageModel::publish(std::optional<UsageSnapshot> snapshot, bool available) {
    // The pace shown with the rows needs this reading among those it is judged from.
    record(m_activeKind, snapshot);
    m_snapshot = std::move(snapshot);
    // A hostile reading may hold thousands of windows: label them once, not at every read.
    m_labeledWindows = m_snapshot ? windowsAsOf(tallyglass::labeledWindows(*m_snapshot),
                                                m_snapshot->updatedAt, m_clock->now())
                                  : std::vector<LabeledWindow>{};
    emit snapshotChanged();
    m_sourceAvailable = available;
    emit sourceAvailableChanged();
    m_lastChecked = m_clock->now();
    emit lastCheckedChanged();
}

} // namespace tallyglass
