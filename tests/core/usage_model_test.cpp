#include "core/usage_model.h"
#include "support/event_loop.h"
#include "support/fake_clock.h"
#include "support/fake_source.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <QSettings>

using namespace tallyglass;
using namespace tallyglass::testing;

namespace {

using Calls = std::vector<std::string>;

UsageSnapshot reading(double updatedAt) {
    return UsageSnapshot{updatedAt, "Opus", std::nullopt, {{"five_hour", {42.0, {}, {}}}}};
}

QSettings userDefaults() {
    return QSettings(QStringLiteral("Tallyglass"), QStringLiteral("Tallyglass"));
}

class UsageModelTest : public ::testing::Test {
protected:
    std::unique_ptr<UsageModel> makeModel(bool withCodex = true) {
        SourceTable sources = fakeSources(claude, withCodex ? codex : nullptr);
        sources[SourceId(SourceKind::claude, 2)] =
            std::make_shared<SourceActor>(std::make_unique<FakeSource>(work));
        auto model = std::make_unique<UsageModel>(std::move(sources), clock);
        for (auto [signal, name] :
             {std::pair{&UsageModel::snapshotChanged, "snapshot"},
              std::pair{&UsageModel::sourceAvailableChanged, "sourceAvailable"},
              std::pair{&UsageModel::lastCheckedChanged, "lastChecked"},
              std::pair{&UsageModel::activeKindChanged, "activeKind"}})
            QObject::connect(model.get(), signal,
                             [this, name = std::string(name)] { notifications.push_back(name); });
        return model;
    }

    // Waits for the load the model is running to publish.
    bool settle() {
        const auto before = published();
        return processEventsUntil([&] { return published() > before; });
    }
    long published() const {
        return std::count(notifications.begin(), notifications.end(), "lastChecked");
    }

    TempHome home;
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    std::shared_ptr<FakeSource::State> claude = std::make_shared<FakeSource::State>();
    std::shared_ptr<FakeSource::State> codex = std::make_shared<FakeSource::State>();
    // A further Claude folder, for a second account.
    std::shared_ptr<FakeSource::State> work = std::make_shared<FakeSource::State>();
    std::vector<std::string> notifications;
};

// The stored choice picks the source whose reading is published; a source removed while the
// program was not running is skipped, and a kind without a source loads nothing until another
// is selected.
TEST_F(UsageModelTest, StoredActiveSourceChoosesTheStartingKind) {
    const std::tuple<std::optional<QString>, SourceId, double, bool> cases[] = {
        {std::nullopt, SourceKind::claude, 100, true},
        {QStringLiteral("Codex"), SourceKind::claude, 100, true},
        {QStringLiteral("codex"), SourceKind::codex, 200, true},
        {QStringLiteral("claude-2"), SourceId(SourceKind::claude, 2), 300, true},
        {QStringLiteral("claude-02"), SourceKind::claude, 100, true},
        {QStringLiteral("claude-3"), SourceKind::claude, 100, true},
        {QStringLiteral("codex"), SourceKind::codex, 100, false},
    };
    claude->setResult(reading(100));
    codex->setResult(reading(200));
    work->setResult(reading(300));
    for (const auto& [stored, expected, published, withCodex] : cases) {
        TempHome caseHome;
        notifications.clear();
        if (stored)
            userDefaults().setValue(QStringLiteral("activeSource"), *stored);
        auto model = makeModel(withCodex);
        EXPECT_EQ(model->activeSource(), expected) << stored.value_or("(none)").toStdString();
        if (!withCodex) {
            model->refresh();
            processEventsFor(50);
            EXPECT_TRUE(notifications.empty());
            model->selectSource(SourceKind::claude);
        }
        ASSERT_TRUE(settle());
        EXPECT_EQ(model->snapshot()->updatedAt, published);
        // An unknown stored value is not rewritten.
        EXPECT_EQ(userDefaults().value(QStringLiteral("activeSource")).toString(),
                  withCodex ? stored.value_or(QString()) : QStringLiteral("claude"));
    }
}

// A load publishes the reading, the availability and then the time; a source that finds
// nothing, or throws, clears the reading and still moves "last checked"; the next load works.
TEST_F(UsageModelTest, EachLoadPublishesAndAFailedOneClearsTheReading) {
    claude->setResult(reading(100), false);
    auto model = makeModel();
    EXPECT_EQ(model->lastChecked(), clock->now());
    ASSERT_TRUE(settle());
    EXPECT_EQ(notifications, (Calls{"snapshot", "sourceAvailable", "lastChecked"}));
    for (const bool throws : {false, true}) {
        claude->setResult(std::nullopt, true);
        claude->throws = throws;
        clock->set(6000 + throws);
        model->refresh();
        ASSERT_TRUE(settle()) << throws;
        EXPECT_FALSE(model->snapshot());
        EXPECT_EQ(model->lastChecked(), 6000 + throws);
        claude->throws = false;
        claude->setResult(reading(200));
        model->refresh();
        ASSERT_TRUE(settle());
        EXPECT_EQ(model->snapshot(), reading(200));
    }
}

// Ticks faster than a slow source: superseded loads that have not started are skipped, only
// the newest publishes, refreshes never prepare, one superseded after its reading was taken
// publishes nothing, and ending the model does not wait.
TEST_F(UsageModelTest, ASlowSourceNeitherPilesUpLoadsNorHoldsUpTheEnd) {
    auto model = makeModel();
    ASSERT_TRUE(settle());
    notifications.clear();
    claude->hold();
    model->refresh();
    ASSERT_TRUE(claude->waitForCalls(4)); // inside the slow loadSnapshot
    for (int tick = 0; tick < 20; ++tick)
        model->refresh();
    claude->release();
    ASSERT_TRUE(settle());
    processEventsFor(100);
    EXPECT_EQ(published(), 1);
    EXPECT_EQ(claude->count("loadSnapshot"), 3u);
    EXPECT_EQ(claude->count("prepare"), 1u);

    notifications.clear();
    const std::size_t checks = claude->count("isAvailable");
    claude->setResult(reading(100));
    claude->hold(true, "isAvailable");
    model->refresh();
    ASSERT_TRUE(processEventsUntil([&] { return claude->count("isAvailable") > checks; }));
    model->refresh();
    claude->setResult(reading(200));
    claude->release();
    ASSERT_TRUE(settle());
    processEventsFor(100);
    EXPECT_EQ(published(), 1);
    EXPECT_EQ(model->snapshot()->updatedAt, 200);

    // Quit while a load runs: had the model waited for its source, only the release below
    // would have let it end.
    claude->hold();
    model->refresh();
    model.reset();
    claude->release();
    // The worker ends on its own; the process must not end under it.
    EXPECT_TRUE(processEventsUntil([&] { return claude.use_count() == 1; }));
}

// Selecting the active kind changes nothing; selecting the other clears the reading at once,
// and the old kind's load, not started yet, is skipped.
TEST_F(UsageModelTest, SwitchingClearsAtOnceAndDropsTheOldKindsLoad) {
    claude->setResult(reading(100));
    codex->setResult(std::nullopt, false);
    claude->hold();
    auto model = makeModel();
    ASSERT_TRUE(claude->waitForCalls(1));
    model->selectSource(SourceKind::claude);
    EXPECT_FALSE(userDefaults().contains(QStringLiteral("activeSource")));
    model->selectSource(SourceKind::codex);
    EXPECT_EQ(notifications, (Calls{"activeKind", "snapshot"}));
    EXPECT_EQ(userDefaults().value(QStringLiteral("activeSource")), QStringLiteral("codex"));
    ASSERT_TRUE(settle());
    claude->release();
    processEventsFor(200);
    EXPECT_EQ(claude->calls(), Calls{"prepare"});
    EXPECT_EQ(codex->calls(), (Calls{"prepare", "loadSnapshot", "isAvailable"}));
}

} // namespace
