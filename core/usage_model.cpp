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
    m_activeSource = watch ? watch->source : storedActiveSource();
    // A folder removed while the program was not running: its choice keeps no source.
    if (!m_sources.contains(m_activeSource))
        m_activeSource = SourceId(m_activeSource.kind);
    prepareAndRefresh();

    m_timer.setInterval(refreshIntervalMs);
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &UsageModel::tick);
    m_timer.start();
}

UsageModel::~UsageModel() = default;

bool UsageModel::isStale() const {
    return m_snapshot && isStale(*m_snapshot, m_clock->now());
}

std::optional<std::string> UsageModel::menuBarSummary() const {
    if (!m_snapshot)
        return std::nullopt;
    return tallyglass::menuBarSummary(m_labeledWindows);
}

std::vector<SourceId> UsageModel::sourceIds() const {
    std::vector<SourceId> ids;
    for (const auto& [id, actor] : m_sources)
        ids.push_back(id);
    return ids;
}

const std::optional<UsageSnapshot>& UsageModel::latestReading(const SourceId& source) const {
    static const std::optional<UsageSnapshot> none;
    const auto found = m_latest.find(source);
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
    return m_alerts.paceForecast(m_activeSource, entry.key, entry.window, m_snapshot->updatedAt,
                                 m_clock->now());
}

void UsageModel::refresh() {
    // A set-up that failed is tried again, so mending the file by hand is seen at once.
    startLoad(m_setupReport.result == SetupReport::Result::failed);
    if (m_preferences.watchesBothSources())
        loadOtherSources();
}

void UsageModel::tick() {
    startLoad(m_setupReport.result == SetupReport::Result::failed);
    // Half a minute is soon enough for a warning or the tray, and reading the other assistant
    // at every tick would double what the program costs while idle.
    if (++m_ticks % otherSourceTicks == 0 && m_preferences.watchesBothSources())
        loadOtherSources();
}

void UsageModel::loadOtherSources() {
    for (const auto& entry : m_sources) {
        // A copy: clang does not capture structured bindings.
        const SourceId id = entry.first;
        if (id == m_activeSource)
            continue;
        auto job = supersede(m_otherLoadTasks[id]);
        // Only read: another source's set-up is left to the moment the user picks it.
        whenReady(entry.second->loadSnapshot(job), this,
                  [this, id, job](const std::optional<UsageSnapshot>& snapshot) {
                      if (!*job && m_activeSource != id && m_sources.contains(id))
                          record(id, snapshot);
                  });
    }
}

void UsageModel::record(const SourceId& source, const std::optional<UsageSnapshot>& snapshot) {
    // Also without a new reading: a window's reset comes with time alone.
    if (snapshot && (m_preferences.warnings || m_preferences.pace)) {
        const auto alerts = m_alerts.observe(source, *snapshot, m_clock->now(), m_preferences);
        if (!alerts.empty())
            emit alertsRaised(alerts);
    }
    auto& latest = m_latest[source];
    if (latest == snapshot)
        return;
    latest = snapshot;
    emit readingsChanged();
}

void UsageModel::prepareAndRefresh() {
    startLoad(true);
}

void UsageModel::selectSource(SourceId source) {
    if (source == m_activeSource)
        return;
    m_activeSource = source;
    emit activeKindChanged();
    if (const auto defaults = userDefaults()) {
        defaults->setValue(activeSourceKey, QString::fromStdString(storedForm(source)));
        defaults->sync();
    }
    m_snapshot.reset();
    m_labeledWindows.clear();
    emit snapshotChanged();
    setSetupReport({});
    prepareAndRefresh();
}

void UsageModel::reloadSources() {
    if (!m_sourceFactory)
        return;
    SourceTable fresh = m_sourceFactory();
    // A source that stays keeps its actor, and with it any load in flight.
    for (auto& [id, actor] : fresh)
        if (const auto kept = m_sources.find(id); kept != m_sources.end())
            actor = kept->second;
    m_sources = std::move(fresh);
    const bool forgotten = std::erase_if(m_latest, [this](const auto& entry) {
                               return !m_sources.contains(entry.first);
                           }) > 0;
    std::erase_if(m_otherLoadTasks,
                  [this](const auto& entry) { return !m_sources.contains(entry.first); });
    emit sourcesChanged();
    if (forgotten)
        emit readingsChanged();
    if (!m_sources.contains(m_activeSource))
        selectSource(SourceId(m_activeSource.kind));
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
    const SourceId source = m_activeSource;
    const auto found = m_sources.find(source);
    if (found == m_sources.end())
        return;
    auto job = supersede(m_loadTask);
    if (!withPrepare || m_readOnly) {
        performLoad(source, job);
        return;
    }
    // The report counts even when a refresh superseded the load: it is the newest set-up's.
    whenReady(found->second->prepare(), this, [this, source, job](const SetupReport& report) {
        if (m_activeSource != source)
            return;
        setSetupReport(report);
        performLoad(source, job);
    });
}

void UsageModel::performLoad(SourceId source, std::shared_ptr<std::atomic<bool>> job) {
    // Callbacks run on the main thread and only while the model exists; they look the source
    // up again rather than holding it, so sources are always released on the main thread. A
    // source the user removed meanwhile is no longer there to ask.
    const auto found = m_sources.find(source);
    if (found == m_sources.end())
        return;
    whenReady(found->second->loadSnapshot(job), this,
              [this, source, job](const std::optional<UsageSnapshot>& snapshot) {
                  const auto actor = m_sources.find(source);
                  if (actor == m_sources.end())
                      return;
                  whenReady(actor->second->isAvailable(job), this,
                            [this, source, job, snapshot](bool available) {
                                if (*job || m_activeSource != source)
                                    return;
                                publish(snapshot, available);
                            });
              });
}

void UsageModel::publish(std::optional<UsageSnapshot> snapshot, bool available) {
    // The pace shown with the rows needs this reading among those it is judged from.
    record(m_activeSource, snapshot);
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
