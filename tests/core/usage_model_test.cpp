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

UsageSnapshot reading(double updatedAt, double fiveHour = 42) {
    return UsageSnapshot{updatedAt, "Opus", std::nullopt, {{"five_hour", {fiveHour, {}, {}}}}};
}

QVariant storedActiveSource() {
    return QSettings(QStringLiteral("Tallyglass"), QStringLiteral("Tallyglass"))
        .value(QStringLiteral("activeSource"));
}

void storeActiveSource(const QString& raw) {
    QSettings settings(QStringLiteral("Tallyglass"), QStringLiteral("Tallyglass"));
    settings.setValue(QStringLiteral("activeSource"), raw);
    settings.sync();
}

class UsageModelTest : public ::testing::Test {
protected:
    std::unique_ptr<UsageModel> makeModel(bool withCodex = true) {
        SourceTable table;
        table[SourceKind::claude] =
            std::make_shared<SourceActor>(std::make_unique<FakeSource>(claude));
        if (withCodex)
            table[SourceKind::codex] =
                std::make_shared<SourceActor>(std::make_unique<FakeSource>(codex));
        auto model = std::make_unique<UsageModel>(std::move(table), clock);
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
    bool settle(UsageModel& model) {
        const std::size_t before = published(model);
        return processEventsUntil([&] { return published(model) > before; });
    }
    std::size_t published(const UsageModel&) const {
        return static_cast<std::size_t>(
            std::count(notifications.begin(), notifications.end(), "lastChecked"));
    }

    TempHome home;
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    std::shared_ptr<FakeSource::State> claude = std::make_shared<FakeSource::State>();
    std::shared_ptr<FakeSource::State> codex = std::make_shared<FakeSource::State>();
    std::vector<std::string> notifications;
};

TEST_F(UsageModelTest, StoredActiveSourceChoosesTheStartingKind) {
    const std::pair<std::optional<QString>, SourceKind> cases[] = {
        {std::nullopt, SourceKind::claude},
        {QStringLiteral("claude"), SourceKind::claude},
        {QStringLiteral("Codex"), SourceKind::claude},
        {QStringLiteral("codex"), SourceKind::codex},
    };
    for (const auto& [stored, expected] : cases) {
        TempHome caseHome;
        if (stored)
            storeActiveSource(*stored);
        auto model = makeModel();
        EXPECT_EQ(model->activeKind(), expected) << stored.value_or("(none)").toStdString();
        ASSERT_TRUE(settle(*model));
        auto& state = expected == SourceKind::claude ? *claude : *codex;
        EXPECT_EQ(state.calls().front(), "prepare");
        // An unknown stored value is not rewritten.
        if (stored) {
            EXPECT_EQ(storedActiveSource().toString(), *stored);
        }
        model.reset();
        claude->log.clear();
        codex->log.clear();
    }
}

TEST_F(UsageModelTest, PublishesSnapshotAvailabilityAndTimeInThatOrder) {
    claude->setResult(reading(100), false);
    clock->set(5000);
    auto model = makeModel();
    EXPECT_EQ(model->lastChecked(), 5000);
    EXPECT_TRUE(model->sourceAvailable());
    clock->set(5010);
    ASSERT_TRUE(settle(*model));
    EXPECT_EQ(notifications,
              (std::vector<std::string>{"snapshot", "sourceAvailable", "lastChecked"}));
    EXPECT_EQ(model->snapshot(), reading(100));
    EXPECT_FALSE(model->sourceAvailable());
    EXPECT_EQ(model->lastChecked(), 5010);
    EXPECT_EQ(claude->calls(),
              (std::vector<std::string>{"prepare", "loadSnapshot", "isAvailable"}));
}

TEST_F(UsageModelTest, EmptyLoadClearsTheSnapshotAndStillAdvancesTime) {
    claude->setResult(reading(100));
    auto model = makeModel();
    ASSERT_TRUE(settle(*model));
    claude->setResult(std::nullopt, true);
    clock->advance(10);
    model->refresh();
    ASSERT_TRUE(settle(*model));
    EXPECT_FALSE(model->snapshot());
    EXPECT_EQ(model->lastChecked(), clock->now());
}

TEST_F(UsageModelTest, RefreshNeverPrepares) {
    auto model = makeModel();
    ASSERT_TRUE(settle(*model));
    model->refresh();
    ASSERT_TRUE(settle(*model));
    model->refresh();
    ASSERT_TRUE(settle(*model));
    EXPECT_EQ(claude->count("prepare"), 1u);
    EXPECT_EQ(claude->count("loadSnapshot"), 3u);
}

TEST_F(UsageModelTest, OnlyTheNewestOfOverlappingLoadsPublishes) {
    auto model = makeModel();
    ASSERT_TRUE(settle(*model));
    notifications.clear();
    claude->hold();
    model->refresh();
    ASSERT_TRUE(claude->waitForCalls(4)); // the first refresh is inside loadSnapshot
    model->refresh();
    claude->release();
    ASSERT_TRUE(processEventsUntil([&] { return claude->count("isAvailable") == 3; }));
    processEventsFor(100);
    EXPECT_EQ(published(*model), 1u);
    EXPECT_EQ(std::count(notifications.begin(), notifications.end(), "snapshot"), 1);
}

TEST_F(UsageModelTest, SwitchingDuringALoadDropsTheOldKindsResult) {
    claude->setResult(reading(100));
    codex->setResult(std::nullopt, false);
    claude->hold();
    auto model = makeModel();
    ASSERT_TRUE(claude->waitForCalls(1));
    model->selectSource(SourceKind::codex);
    EXPECT_EQ(model->activeKind(), SourceKind::codex);
    EXPECT_EQ(storedActiveSource().toString(), QStringLiteral("codex"));
    ASSERT_TRUE(settle(*model));
    claude->release();
    ASSERT_TRUE(processEventsUntil([&] { return claude->count("isAvailable") == 1; }));
    processEventsFor(100);
    EXPECT_FALSE(model->snapshot());
    EXPECT_FALSE(model->sourceAvailable());
    EXPECT_EQ(codex->calls(), (std::vector<std::string>{"prepare", "loadSnapshot", "isAvailable"}));
}

TEST_F(UsageModelTest, SelectingClearsAtOnceAndSelectingTheSameKindDoesNothing) {
    claude->setResult(reading(100));
    codex->hold();
    auto model = makeModel();
    ASSERT_TRUE(settle(*model));
    notifications.clear();

    model->selectSource(SourceKind::claude);
    processEventsFor(50);
    EXPECT_TRUE(notifications.empty());
    EXPECT_FALSE(storedActiveSource().isValid());
    EXPECT_EQ(claude->count("loadSnapshot"), 1u);

    model->selectSource(SourceKind::codex);
    EXPECT_FALSE(model->snapshot());
    EXPECT_EQ(notifications, (std::vector<std::string>{"activeKind", "snapshot"}));
    ASSERT_TRUE(codex->waitForCalls(1));
    EXPECT_EQ(codex->calls().front(), "prepare");
    codex->release();
    ASSERT_TRUE(settle(*model));
}

TEST_F(UsageModelTest, AKindWithoutASourceIsSkipped) {
    storeActiveSource(QStringLiteral("codex"));
    auto model = makeModel(/*withCodex=*/false);
    processEventsFor(50);
    EXPECT_TRUE(notifications.empty());
    model->refresh();
    model->selectSource(SourceKind::claude);
    ASSERT_TRUE(settle(*model));
    EXPECT_EQ(claude->calls().front(), "prepare");
}

TEST_F(UsageModelTest, StaleAfterFifteenMinutes) {
    claude->setResult(reading(10'000));
    clock->set(10'000);
    auto model = makeModel();
    EXPECT_FALSE(model->isStale());
    ASSERT_TRUE(settle(*model));
    clock->set(10'900);
    EXPECT_FALSE(model->isStale());
    clock->set(10'901);
    EXPECT_TRUE(model->isStale());
}

} // namespace
