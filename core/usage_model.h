#pragma once

#include "clock.h"
#include "source_actor.h"
#include "source_id.h"
#include "usage_alerts.h"
#include "usage_records.h"
#include "watch_preferences.h"

#include <QObject>
#include <QTimer>

#include <functional>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tallyglass {

using SourceTable = std::map<SourceId, std::shared_ptr<SourceActor>>;
// Builds the table afresh from what is stored, when the user adds or removes a Claude folder.
using SourceFactory = std::function<SourceTable()>;

// A model for tools that only look on: it watches the given source rather than the stored
// choice, never sets a source up, and neither warns nor remembers what was said, so the
// program's own warnings still come.
struct ReadOnlyWatch {
    SourceId source;
};

// The one application model. Lives on the main thread; refreshes the active source every
// 10 seconds and on demand, and publishes its reading. Each published property has its own
// change signal, emitted after the new value is in place. When the preferences ask for it,
// every refresh (every third timer tick) also reads the other sources, without publishing them
// as the snapshot, so that all are watched for warnings and can stand in the tray together.
class UsageModel final : public QObject {
    Q_OBJECT

public:
    static constexpr int refreshIntervalMs = 10'000;
    static constexpr double staleAfterSeconds = 900;
    // Whether a reading is too old to be called current at now.
    static bool isStale(const UsageSnapshot& snapshot, double now) {
        return now - snapshot.updatedAt > staleAfterSeconds;
    }
    // Timer ticks between two readings of the other assistant.
    static constexpr int otherSourceTicks = 3;

    // Reads "activeSource" and the watch preferences and starts the first load, with the
    // active source's prepare. What was said to the user is kept in alertMemory.
    UsageModel(SourceTable sources, std::shared_ptr<const Clock> clock,
               std::shared_ptr<AlertMemory> alertMemory = nullptr, QObject* parent = nullptr);
    UsageModel(SourceTable sources, std::shared_ptr<const Clock> clock, ReadOnlyWatch watch,
               QObject* parent = nullptr);
    ~UsageModel() override;

    const std::optional<UsageSnapshot>& snapshot() const { return m_snapshot; }
    double lastChecked() const { return m_lastChecked; }
    bool sourceAvailable() const { return m_sourceAvailable; }
    SourceKind activeKind() const { return m_activeSource.kind; }
    const SourceId& activeSource() const { return m_activeSource; }
    // Every source, in the switch's order.
    std::vector<SourceId> sourceIds() const;
    // What the active source's last set-up had to say; quiet after a switch of source.
    const SetupReport& setupReport() const { return m_setupReport; }

    // The snapshot's windows, labelled and in display order, as they stood when it was
    // published: a window whose reset time has passed since the reading stands at 0 %.
    // Empty without a snapshot.
    const std::vector<LabeledWindow>& labeledWindows() const { return m_labeledWindows; }

    // The latest reading of each source, the watched one's included; none before its first.
    const std::optional<UsageSnapshot>& latestReading(const SourceId& source) const;

    const WatchPreferences& preferences() const { return m_preferences; }
    // Stores them and applies them from the next refresh on.
    void setPreferences(WatchPreferences preferences);

    // When the window of the current snapshot reaches 100 % at the recent pace, when the pace
    // is shown and that comes before its reset.
    std::optional<double> paceForecast(const LabeledWindow& entry) const;

    bool isStale() const;
    std::optional<std::string> menuBarSummary() const;

    void refresh();
    void prepareAndRefresh();
    void selectSource(SourceId source);
    void setSourceFactory(SourceFactory factory) { m_sourceFactory = std::move(factory); }
    // Takes the sources the factory builds now, keeping those already there; a watched source
    // that is gone gives way to the Claude folder's.
    void reloadSources();
    // The notice that the helper was added has been seen: it is not shown again.
    void acknowledgeSetupNotice();

signals:
    void snapshotChanged();
    void lastCheckedChanged();
    void sourceAvailableChanged();
    void activeKindChanged();
    void sourcesChanged();
    void setupReportChanged();
    void preferencesChanged();
    // A reading of any source came in that differs from its previous one.
    void readingsChanged();
    // Things to tell the user, each once.
    void alertsRaised(const std::vector<tallyglass::UsageAlert>& alerts);

private:
    UsageModel(SourceTable sources, std::shared_ptr<const Clock> clock,
               std::optional<ReadOnlyWatch> watch, std::shared_ptr<AlertMemory> alertMemory,
               QObject* parent);
    void startLoad(bool withPrepare);
    // The job is its own cancel flag, shared with the source's executor.
    void performLoad(SourceId source, std::shared_ptr<std::atomic<bool>> job);
    void publish(std::optional<UsageSnapshot> snapshot, bool available);
    void setSetupReport(SetupReport report);
    void tick();
    void loadOtherSources();
    void record(const SourceId& source, const std::optional<UsageSnapshot>& snapshot);

    std::shared_ptr<const Clock> m_clock;
    std::optional<UsageSnapshot> m_snapshot;
    std::vector<LabeledWindow> m_labeledWindows;
    double m_lastChecked = 0;
    bool m_sourceAvailable = true;
    SourceId m_activeSource;
    SetupReport m_setupReport;
    SourceTable m_sources;
    SourceFactory m_sourceFactory;
    QTimer m_timer;
    std::shared_ptr<std::atomic<bool>> m_loadTask;
    std::map<SourceId, std::shared_ptr<std::atomic<bool>>> m_otherLoadTasks;
    int m_ticks = 0;
    std::map<SourceId, std::optional<UsageSnapshot>> m_latest;
    WatchPreferences m_preferences;
    UsageAlerts m_alerts;
    bool m_readOnly = false;
};

} // namespace tallyglass
