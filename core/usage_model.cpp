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

} // namespace

UsageModel::UsageModel(SourceTable sources, std::shared_ptr<const Clock> clock, QObject* parent)
    : QObject(parent)
    , m_clock(std::move(clock))
    , m_lastChecked(m_clock->now())
    , m_sources(std::move(sources)) {
    m_activeKind = storedActiveKind();
    prepareAndRefresh();

    m_timer.setInterval(refreshIntervalMs);
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &UsageModel::refresh);
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

void UsageModel::refresh() {
    // A set-up that failed is tried again, so mending the file by hand is seen at once.
    startLoad(m_setupReport.result == SetupReport::Result::failed);
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
    if (m_loadTask)
        *m_loadTask = true;
    auto job = std::make_shared<std::atomic<bool>>(false);
    m_loadTask = job;
    if (!withPrepare) {
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
