#include "support/event_loop.h"
#include "support/fake_clock.h"
#include "support/fake_login_item.h"
#include "support/fake_source.h"
#include "support/temp_home.h"
#include "ui/elided_label.h"
#include "ui/menu_view.h"
#include "ui/panel_style.h"
#include "ui/source_switch.h"
#include "ui/usage_row.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

#include <gtest/gtest.h>

namespace tallyglass {
namespace {

using testing::FakeClock;
using testing::FakeSource;
using testing::processEventsUntil;

constexpr double now = 1'796'461'200;

UsageSnapshot snapshotWith(std::map<std::string, UsageWindow> windows, double age = 60) {
    UsageSnapshot snapshot;
    snapshot.updatedAt = now - age;
    snapshot.windows = std::move(windows);
    return snapshot;
}

class MenuViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings(QStringLiteral("Tallyglass"), QStringLiteral("Tallyglass"))
            .setValue(QStringLiteral("activeSource"), QStringLiteral("claude"));
        SourceTable sources;
        sources[SourceKind::claude] =
            std::make_shared<SourceActor>(std::make_unique<FakeSource>(claude));
        sources[SourceKind::codex] =
            std::make_shared<SourceActor>(std::make_unique<FakeSource>(codex));
        model = std::make_unique<UsageModel>(std::move(sources), clock);
        QObject::connect(model.get(), &UsageModel::lastCheckedChanged, [this] { ++published; });
        ASSERT_TRUE(processEventsUntil([this] { return published == 1; }));
        view =
            std::make_unique<MenuView>(*model, clock, std::make_shared<testing::FakeLoginItem>());
        view->show();
        ASSERT_TRUE(processEventsUntil([this] { return published == 2; }));
    }

    // Lets the active source answer with this and waits until the model publishes it.
    void publish(std::optional<UsageSnapshot> snapshot, bool available = true) {
        auto& state = model->activeKind() == SourceKind::codex ? codex : claude;
        state->setResult(std::move(snapshot), available);
        const int before = published;
        model->refresh();
        ASSERT_TRUE(processEventsUntil([&] { return published > before; }));
        settle();
    }

    void settle() {
        ASSERT_TRUE(processEventsUntil([&] { return !view->rebuildPending(); }));
    }

    template <typename T = QLabel> T* find(const char* name) const {
        return view->findChild<T*>(QString::fromLatin1(name));
    }

    QString text(const char* name) const {
        auto* label = find(name);
        return label ? label->text() : QStringLiteral("<missing>");
    }

    testing::TempHome home;
    std::shared_ptr<FakeSource::State> claude = std::make_shared<FakeSource::State>();
    std::shared_ptr<FakeSource::State> codex = std::make_shared<FakeSource::State>();
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>(now);
    std::unique_ptr<UsageModel> model;
    std::unique_ptr<MenuView> view;
    int published = 0;
};

TEST_F(MenuViewTest, RowsFollowDisplayOrderAndTheUpdatedLineFollows) {
    publish(snapshotWith({{"seven_day_opus", {10, {}, {}}},
                          {"seven_day", {20, {}, 10080}},
                          {"five_hour", {30, {}, 300}}},
                         180));
    QStringList order;
    for (auto* row : find<QWidget>("dataArea")->findChildren<UsageRow*>())
        order << row->objectName();
    EXPECT_EQ(order,
              (QStringList{"usageRow_five_hour", "usageRow_seven_day", "usageRow_seven_day_opus"}));
    EXPECT_EQ(find<UsageRow>("usageRow_seven_day")->findChild<ElidedLabel*>()->text(),
              QStringLiteral("Weekly limit (7d)"));
    EXPECT_EQ(text("updatedLine"), QStringLiteral("Updated 3 minutes ago"));
    EXPECT_EQ(find<QWidget>("emptyState"), nullptr);

    publish(snapshotWith({}));
    EXPECT_TRUE(find<QWidget>("dataArea")->findChildren<UsageRow*>().isEmpty());
    EXPECT_NE(find("updatedLine"), nullptr);
}

TEST_F(MenuViewTest, StaleAfterNineHundredSeconds) {
    const QPalette palette = view->palette();
    publish(snapshotWith({{"five_hour", {42, {}, {}}}}, 900));
    EXPECT_EQ(find("updatedLine")->palette().color(QPalette::WindowText), secondaryColor(palette));
    EXPECT_EQ(find("staleHint"), nullptr);

    clock->advance(1);
    publish(snapshotWith({{"five_hour", {42, {}, {}}}}, 901));
    EXPECT_EQ(find("updatedLine")->palette().color(QPalette::WindowText),
              systemColor(SystemColor::orange, palette));
    EXPECT_EQ(text("staleHint"),
              QStringLiteral("Data refreshes while a Claude Code session is in use."));
}

TEST_F(MenuViewTest, EmptyStatePerAvailabilityAndKind) {
    const struct {
        SourceKind kind;
        bool available;
        const char* headline;
        const char* message;
    } cases[] = {
        {SourceKind::claude, true, "No usage data yet",
         "Usage data is written by the Claude Code statusline helper, which this app installs "
         "for you. Use Claude Code once so it can record your limits."},
        {SourceKind::claude, false, "Claude Code not found",
         "No Claude Code data found in ~/.claude. Install Claude Code and run it once."},
        {SourceKind::codex, true, "No usage data yet",
         "Codex records your limits in its session files. Run a Codex turn once so it can write "
         "them."},
        {SourceKind::codex, false, "Codex not found",
         "No Codex sessions found in ~/.codex. Install Codex and run it once."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.headline);
        model->selectSource(c.kind);
        publish(std::nullopt, c.available);
        EXPECT_EQ(text("emptyHeadline"), QString::fromLatin1(c.headline));
        EXPECT_EQ(text("emptyMessage"), QString::fromLatin1(c.message));
        EXPECT_EQ(find("updatedLine"), nullptr);
    }
}

TEST_F(MenuViewTest, PickingASegmentSwitchesOnlyToTheOtherSource) {
    publish(snapshotWith({{"five_hour", {42, {}, {}}}}));
    auto* sourceSwitch = find<SourceSwitch>("sourceSwitch");
    const std::size_t claudePrepares = claude->count("prepare");
    sourceSwitch->segment(SourceKind::claude)->click();
    EXPECT_EQ(model->activeKind(), SourceKind::claude);
    EXPECT_TRUE(model->snapshot().has_value());
    EXPECT_EQ(claude->count("prepare"), claudePrepares);

    codex->hold();
    sourceSwitch->segment(SourceKind::codex)->click();
    EXPECT_EQ(model->activeKind(), SourceKind::codex);
    settle();
    EXPECT_TRUE(sourceSwitch->segment(SourceKind::codex)->isChecked());
    // The previous figures are gone at once; the empty state shows until Codex answers.
    EXPECT_NE(find<QWidget>("emptyState"), nullptr);
    EXPECT_TRUE(codex->waitForCalls(1));
    EXPECT_EQ(codex->calls().front(), "prepare");
    codex->release();
}

TEST_F(MenuViewTest, PlanBadgeIsCapitalisedWordByWord) {
    const struct {
        std::optional<std::string> plan;
        const char* shown;
    } cases[] = {{"pro", "Pro"},
                 {"PLUS", "Plus"},
                 {"team plan", "Team Plan"},
                 {"", nullptr},
                 {std::nullopt, nullptr}};
    for (const auto& c : cases) {
        auto snapshot = snapshotWith({});
        snapshot.planType = c.plan;
        snapshot.model = "Opus";
        publish(snapshot);
        auto* badge = find<ElidedLabel>("planBadge");
        EXPECT_EQ(badge->isVisible(), c.shown != nullptr);
        if (c.shown) {
            EXPECT_EQ(badge->text(), QString::fromLatin1(c.shown));
            EXPECT_LT(badge->geometry().right(), find<QWidget>("modelName")->geometry().left());
        }
    }
    publish(snapshotWith({}));
    EXPECT_FALSE(find<QWidget>("modelName")->isVisible());
}

TEST_F(MenuViewTest, LongNamesAndTwelveWindowsKeepTheWidth) {
    auto snapshot = snapshotWith({});
    snapshot.model = std::string(300, 'm');
    snapshot.planType = std::string(80, 'p');
    for (int i = 0; i < 12; ++i)
        snapshot.windows["extra_window_with_a_rather_long_key_" + std::to_string(i)] = {
            50.0 + i * 5, now + 3600 * i, std::nullopt};
    publish(snapshot);
    EXPECT_EQ(find<QWidget>("dataArea")->findChildren<UsageRow*>().size(), 12);
    EXPECT_EQ(view->width(), panelWidth);
    for (auto* child : view->findChildren<QWidget*>()) {
        if (!child->isVisible())
            continue;
        const QRect area = QRect(child->mapTo(view.get(), QPoint(0, 0)), child->size());
        EXPECT_LE(area.right(), panelWidth - 1) << child->objectName().toStdString();
    }
    EXPECT_TRUE(find<ElidedLabel>("modelName")->isElided());
}

TEST_F(MenuViewTest, ComingOnScreenAndRefreshLoadWithoutPreparing) {
    const std::size_t loads = claude->count("loadSnapshot");
    const std::size_t prepares = claude->count("prepare");
    view->hide();
    view->show();
    ASSERT_TRUE(processEventsUntil([&] { return claude->count("loadSnapshot") == loads + 1; }));
    find<QPushButton>("refreshButton")->click();
    ASSERT_TRUE(processEventsUntil([&] { return claude->count("loadSnapshot") == loads + 2; }));
    EXPECT_EQ(claude->count("prepare"), prepares);
}

TEST_F(MenuViewTest, QuitEndsTheEventLoop) {
    QTimer::singleShot(0, [this] { find<QPushButton>("quitButton")->click(); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

} // namespace
} // namespace tallyglass
