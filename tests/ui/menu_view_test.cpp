#include "core/claude_folder.h"
#include "core/user_defaults.h"
#include "support/event_loop.h"
#include "support/fake_clock.h"
#include "support/fake_helper_switch.h"
#include "support/fake_login_item.h"
#include "support/fake_source.h"
#include "support/temp_home.h"
#include "ui/claude_folder_control.h"
#include "ui/elided_label.h"
#include "ui/menu_view.h"
#include "ui/panel_host.h"
#include "ui/panel_style.h"
#include "ui/source_switch.h"
#include "ui/translations.h"
#include "ui/usage_row.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QTranslator>

#include <gtest/gtest.h>

namespace tallyglass {
namespace {

using testing::FakeSource;
using testing::processEventsUntil;

constexpr double now = 1'796'461'200;

UsageSnapshot snapshotWith(std::map<std::string, UsageWindow> windows, double age = 60) {
    return UsageSnapshot{now - age, std::nullopt, std::nullopt, std::move(windows)};
}

// The panel as the program shows it: in its host, over a model of two fake sources.
class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        QObject::connect(&model, &UsageModel::lastCheckedChanged, [this] { ++published; });
        ASSERT_TRUE(processEventsUntil([this] { return published == 1; }));
        host.showWindow();
        view = host.view();
        ASSERT_TRUE(processEventsUntil([this] { return published == 2; }));
    }

    // Lets the active source answer with this and waits until the panel shows it.
    void publish(std::optional<UsageSnapshot> snapshot, bool available = true) {
        (model.activeKind() == SourceKind::codex ? codex : claude)
            ->setResult(std::move(snapshot), available);
        const int before = published;
        model.refresh();
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
    QStringList rows() const {
        QStringList names;
        for (auto* row : view->findChildren<UsageRow*>())
            names << row->objectName();
        return names;
    }

    testing::TempHome home;
    std::shared_ptr<FakeSource::State> claude = std::make_shared<FakeSource::State>();
    std::shared_ptr<FakeSource::State> codex = std::make_shared<FakeSource::State>();
    std::shared_ptr<testing::FakeClock> clock = std::make_shared<testing::FakeClock>(now);
    UsageModel model{testing::fakeSources(claude, codex), clock};
    std::shared_ptr<testing::FakeHelperSwitch> helper =
        std::make_shared<testing::FakeHelperSwitch>();
    PanelHost host{model, clock, std::make_shared<testing::FakeLoginItem>(), helper};
    MenuView* view = nullptr;
    int published = 0;
};

// Rows in display order with their labels, then the updated line. A hostile reading with
// thousands of windows builds the known ones and a few dozen more; long names are elided.
TEST_F(PanelTest, RowsInDisplayOrderBoundedAndInside) {
    auto snapshot = snapshotWith({{"seven_day_opus", {10, {}, {}}},
                                  {"seven_day", {20, {}, 10080}},
                                  {"five_hour", {30, {}, 300}}},
                                 180);
    snapshot.model = std::string(300, 'm');
    snapshot.planType = std::string(80, 'p');
    for (int i = 0; i < 3000; ++i)
        snapshot.windows["extra_window_with_a_rather_long_key_" + std::to_string(i)] = {
            1.0, now + 60, 60.0};
    publish(snapshot);
    EXPECT_LE(rows().size(), 50);
    EXPECT_EQ(rows().mid(0, 2), (QStringList{"usageRow_five_hour", "usageRow_seven_day"}));
    EXPECT_EQ(rows().back(), QStringLiteral("usageRow_seven_day_opus"));
    EXPECT_EQ(text("updatedLine"), QStringLiteral("Updated 3 minutes ago"));
    EXPECT_EQ(find<QWidget>("emptyState"), nullptr);
    for (auto* child : view->findChildren<QWidget*>()) {
        const QRect area = QRect(child->mapTo(view, QPoint(0, 0)), child->size());
        EXPECT_TRUE(!child->isVisible() || area.right() < panelWidth)
            << child->objectName().toStdString();
    }
    EXPECT_TRUE(find<ElidedLabel>("modelName")->isElided());
}

TEST_F(PanelTest, StaleAfterNineHundredSecondsWithAHintPerKind) {
    const struct {
        SourceKind kind;
        double age;
        const char* hint; // nullptr: fresh
    } cases[] = {
        {SourceKind::claude, 900, nullptr},
        {SourceKind::claude, 901, "Data refreshes while a Claude Code session is in use."},
        {SourceKind::codex, 901, "Data refreshes after each Codex turn."},
    };
    for (const auto& c : cases) {
        model.selectSource(c.kind);
        publish(snapshotWith({{"five_hour", {42, {}, {}}}}, c.age));
        const QPalette palette = view->palette();
        EXPECT_EQ(find("updatedLine")->palette().color(QPalette::WindowText),
                  c.hint ? systemColor(SystemColor::orange, palette) : secondaryColor(palette));
        EXPECT_EQ(text("staleHint"), c.hint ? QString::fromLatin1(c.hint) : "<missing>");
    }
}

TEST_F(PanelTest, EmptyStatePerAvailabilityAndKind) {
    const struct {
        SourceKind kind;
        bool available;
        const char *headline, *message;
    } cases[] = {
        {SourceKind::claude, true, "No usage data yet", "statusline helper"},
        {SourceKind::claude, false, "Claude Code not found", "found in ~/.claude."},
        {SourceKind::codex, true, "No usage data yet", "its session files"},
        {SourceKind::codex, false, "Codex not found", "found in ~/.codex."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        model.selectSource(c.kind);
        publish(std::nullopt, c.available);
        EXPECT_EQ(text("emptyHeadline"), QString::fromLatin1(c.headline));
        EXPECT_TRUE(text("emptyMessage").contains(QString::fromLatin1(c.message)));
        EXPECT_EQ(find("updatedLine"), nullptr);
    }
}

// The way out of Claude Code: the button takes the helper out and the Claude reading follows;
// the checkbox lets it back in and prepares again; a failed removal says why. Not for Codex.
TEST_F(PanelTest, HelperIsRemovedAndAddedBack) {
    publish(std::nullopt, false);
    auto* remove = find<QPushButton>("removeHelper");
    auto* add = find<QAbstractButton>("addHelper");
    const std::size_t prepares = claude->count("prepare");
    remove->click();
    publish(std::nullopt, false);
    EXPECT_TRUE(!remove->isVisible() && add->isVisible() && !add->isChecked());
    EXPECT_EQ(text("emptyHeadline"), QStringLiteral("No usage data yet"));
    EXPECT_TRUE(text("emptyMessage").contains(QStringLiteral("Add helper to Claude Code")));
    add->click();
    EXPECT_TRUE(remove->isVisible() && !add->isVisible());
    EXPECT_TRUE(processEventsUntil([&] { return claude->count("prepare") == prepares + 2; }));
    helper->failure = QStringLiteral("settings.json could not be written");
    remove->click();
    EXPECT_EQ(text("helperError"), *helper->failure);
    model.selectSource(SourceKind::codex);
    settle();
    EXPECT_FALSE(find<QWidget>("helperControl")->isVisible());
}

TEST_F(PanelTest, PickingASegmentSwitchesAndClearsAtOnce) {
    publish(snapshotWith({{"five_hour", {42, {}, {}}}}));
    auto* sourceSwitch = find<SourceSwitch>("sourceSwitch");
    codex->hold();
    sourceSwitch->segment(SourceKind::codex)->click();
    settle();
    EXPECT_TRUE(sourceSwitch->segment(SourceKind::codex)->isChecked());
    // The previous figures are gone at once; the empty state shows until Codex answers.
    EXPECT_NE(find<QWidget>("emptyState"), nullptr);
    codex->release();
}

TEST_F(PanelTest, PlanBadgeIsCapitalisedWordByWord) {
    const std::pair<std::optional<std::string>, const char*> cases[] = {
        {"pro", "Pro"}, {"team_plan", "Team Plan"}, {"", ""}, {{}, ""}};
    for (const auto& [plan, shown] : cases) {
        auto snapshot = snapshotWith({});
        snapshot.planType = plan;
        publish(snapshot);
        auto* badge = find<ElidedLabel>("planBadge");
        EXPECT_EQ(badge->isVisible() ? badge->text() : QString(), QString::fromLatin1(shown));
    }
    EXPECT_FALSE(find<QWidget>("modelName")->isVisible());
    // No windows: no rows, but the updated line.
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_NE(find("updatedLine"), nullptr);
}

// The counters restart at the reset: a reading from before it shows as reset once the reset
// time has passed, at the next refresh, with no new reading.
TEST_F(PanelTest, WindowShowsAsResetOnceItsResetTimeHasPassed) {
    const double resetsAt = now + 60;
    const std::pair<double, std::array<const char*, 3>> cases[] = {
        {resetsAt - 1, {"100%", "Resets in 1 second", "100% \u00B7 20%"}},
        {resetsAt, {"0%", "Reset now", "0% \u00B7 20%"}},
        {resetsAt + 2 * 3600, {"0%", "Reset 2 hours ago", "0% \u00B7 20%"}},
    };
    for (const auto& [at, shown] : cases) {
        clock->set(at);
        publish(snapshotWith({{"five_hour", {100, resetsAt, 300}}, {"seven_day", {20, {}, {}}}}));
        auto* row = find<UsageRow>("usageRow_five_hour");
        ASSERT_NE(row, nullptr) << at;
        EXPECT_EQ(row->findChild<QLabel*>("usagePercent")->text(), shown[0]);
        EXPECT_TRUE(row->findChild<QLabel*>("usageReset")->text().startsWith(shown[1])) << at;
        EXPECT_EQ(model.menuBarSummary(), shown[2]);
    }
    // A reading taken after the reset time is the new window's already.
    auto fresh = snapshotWith({{"five_hour", {30, resetsAt, 300}}});
    fresh.updatedAt = resetsAt + 1;
    publish(fresh);
    EXPECT_EQ(model.menuBarSummary(), "30%");
}

// The Claude folder exists but Claude Code has not run the helper yet; or the helper could not
// be added, and the panel says why and what to add by hand; or it was added, said once.
TEST_F(PanelTest, SetupProblemsAndTheOneTimeNotice) {
    SetupReport failed;
    failed.result = SetupReport::Result::failed;
    failed.problem = SetupReport::Problem::notJson;
    failed.line = 3;
    failed.column = 1;
    failed.path = failed.settingsPath = home.filePath(".claude/settings.json");
    failed.statusLineMember = QStringLiteral(R"("statusLine": {"type": "command"})");
    claude->setup = failed;
    model.prepareAndRefresh();
    publish(std::nullopt, true);
    EXPECT_EQ(text("emptyHeadline"), "No usage data yet");
    EXPECT_EQ(text("setupProblem"),
              "Tallyglass could not add its status-line helper: "
              "~/.claude/settings.json is not valid JSON (line 3, column 1).");
    EXPECT_EQ(text("statusLineMember"), failed.statusLineMember);
    find<QPushButton>("copyMemberButton")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), failed.statusLineMember);
    // Mended by hand: the next refresh tries again and the sentence goes.
    claude->setup = {};
    const std::size_t prepared = claude->count("prepare");
    publish(std::nullopt, true);
    EXPECT_EQ(claude->count("prepare"), prepared + 1);
    EXPECT_EQ(find<QWidget>("setupBlock"), nullptr);

    claude->setup = {};
    claude->setup.result = SetupReport::Result::added;
    claude->setup.ownCommandKept = true;
    claude->setup.path = failed.path;
    model.prepareAndRefresh();
    ASSERT_TRUE(processEventsUntil([&] { return find<QWidget>("setupBlock") != nullptr; }));
    EXPECT_EQ(text("setupNotice"), "Tallyglass added its status-line helper to "
                                   "~/.claude/settings.json; your own status line still runs.");
    claude->setup = {};
    view->hide();
    host.showWindow();
    settle();
    EXPECT_EQ(find<QWidget>("setupBlock"), nullptr);
}

// From the Claude folder's menu: another Claude folder, remembered, with the helper at once; a
// second account's folder as a segment of its own, watched at once and named by its folder
// until the user names it; and no longer watched, its helper taken out first.
TEST_F(PanelTest, ClaudeFoldersManagedInThePanel) {
    auto* control = view->claudeFolderControl();
    const char* pick = "chooseClaudeFolder";
    control->setMenuRunner(
        [&](QMenu& menu, const QPoint&) { return menu.findChild<QAction*>(pick); });
    QString chosen = home.filePath("elsewhere/claude");
    control->setFolderChooser([&](QWidget*, const QString&) { return chosen; });
    const auto change = [&] { find<QPushButton>("changeClaudeFolder")->click(); };
    const std::size_t prepared = claude->count("prepare");
    change();
    EXPECT_EQ(claudeFolderPath(), chosen);
    EXPECT_TRUE(processEventsUntil([&] { return claude->count("prepare") == prepared + 1; }));
    publish(std::nullopt, false);
    EXPECT_TRUE(text("emptyMessage").contains("found in ~/elsewhere/claude."));

    auto work = std::make_shared<FakeSource::State>();
    model.setSourceFactory([&] {
        auto sources = testing::fakeSources(claude, codex);
        if (!furtherClaudeFolders().empty())
            sources[SourceId(SourceKind::claude, 2)] =
                std::make_shared<SourceActor>(std::make_unique<FakeSource>(work));
        return sources;
    });
    pick = "addClaudeFolder";
    chosen = home.filePath("claude-work");
    change();
    EXPECT_EQ(model.activeSource(), SourceId(SourceKind::claude, 2));
    EXPECT_EQ(userDefaults()->value(activeSourceKey), "claude-2"); // chosen across a restart
    EXPECT_TRUE(processEventsUntil([&] { return work->count("prepare") == 1; }));
    settle();
    const auto segment = [&] { return find<QAbstractButton>("sourceSegment_claude-2"); };
    ASSERT_NE(segment(), nullptr);
    EXPECT_EQ(segment()->text(), "claude-work");
    EXPECT_TRUE(segment()->isChecked());
    EXPECT_EQ(find<ElidedLabel>("claudeFolder")->text(), "Claude folder: ~/claude-work");
    pick = "nameClaudeSource";
    control->setNameAsker([](QWidget*, const QString&) { return QStringLiteral("Work"); });
    change();
    EXPECT_EQ(segment()->text(), "Work");
    pick = "removeClaudeFolder";
    change();
    EXPECT_EQ(helper->removedFrom, std::vector{chosen});
    EXPECT_EQ(model.activeSource(), SourceId());
    settle();
    EXPECT_EQ(segment(), nullptr);

    qputenv("CLAUDE_CONFIG_DIR", home.filePath("from-environment").toUtf8());
    pick = "chooseClaudeFolder";
    change(); // the variable decides: the choice is not taken
    EXPECT_EQ(userDefaults()->value(claudeFolderKey), home.filePath("elsewhere/claude"));
}

TEST_F(PanelTest, AttachedPanelTogglesAndAWindowClosesToHidden) {
    view->close();
    EXPECT_FALSE(host.isOpen());
    testing::processEventsFor(PanelHost::reopenGuardMs + 50);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    host.toggleNear(screen.topRight());
    ASSERT_TRUE(host.isOpen());
    EXPECT_EQ(host.view(), view);
    EXPECT_TRUE(screen.contains(view->geometry()));
    EXPECT_TRUE(view->windowFlags().testFlag(Qt::FramelessWindowHint));
    host.toggleNear(screen.topRight());
    EXPECT_FALSE(host.isOpen());
    // A tray click right after the panel closed is the click that closed it.
    host.toggleNear(screen.topRight());
    EXPECT_FALSE(host.isOpen());
    host.showWindow();
    EXPECT_FALSE(view->windowFlags().testFlag(Qt::FramelessWindowHint));
}

// 40 % and, twenty minutes later, 60 %: full in forty minutes, before the reset.
TEST_F(PanelTest, ShowsThePaceUntilSwitchedOff) {
    const auto fiveHour = [](double percentage) {
        return std::map<std::string, UsageWindow>{{"five_hour", {percentage, now + 3 * 3600, 300}}};
    };
    publish(snapshotWith(fiveHour(40), 0));
    clock->set(now + 1200);
    publish(snapshotWith(fiveHour(60), -1200));
    EXPECT_EQ(text("usagePace"), QStringLiteral("At this pace: 100 % in about 40 minutes"));
    find<QAbstractButton>("pace")->click();
    settle();
    EXPECT_EQ(find("usagePace"), nullptr);
    EXPECT_FALSE(loadWatchPreferences().pace);
}

TEST_F(PanelTest, RefreshLoadsAndQuitEndsTheEventLoop) {
    const std::size_t loads = claude->count("loadSnapshot");
    find<QPushButton>("refreshButton")->click();
    ASSERT_TRUE(processEventsUntil([&] { return claude->count("loadSnapshot") == loads + 1; }));
    QTimer::singleShot(0, [this] { find<QPushButton>("quitButton")->click(); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

struct PseudoTranslatedPanelTest : PanelTest {
    void SetUp() override {
        ASSERT_TRUE(installTranslations(QLocale(QLocale::German), TALLYGLASS_PSEUDO_CATALOGUES));
        PanelTest::SetUp();
    }
    void TearDown() override { qDeleteAll(qApp->findChildren<QTranslator*>()); }
};

// Under a catalogue that marks every text it holds, a text without the marks, shown or
// spoken, was glued from pieces or never reached the translation sources.
TEST_F(PseudoTranslatedPanelTest, NoTextEscapesTranslation) {
    const auto escaped = [this] {
        QStringList texts{view->windowTitle()};
        for (QWidget* widget : view->findChildren<QWidget*>()) {
            const QAccessibleInterface* read = QAccessible::queryAccessibleInterface(widget);
            if (widget->isVisibleTo(view))
                texts << read->text(QAccessible::Name) << read->text(QAccessible::Description);
        }
        static const QRegularExpression unmarked(
            QStringLiteral("^(?!⟦[\\s\\S]*⟧$)[\\s\\S]*\\p{L}"));
        return texts.filter(unmarked).join(u'|').toStdString();
    };
    const UsageSnapshot known = snapshotWith(
        {{"five_hour", {42, now + 7200, 300}}, {"seven_day_sonnet", {{}, now + 90000, {}}}}, 1000);
    for (SourceKind kind : allSourceKinds) {
        model.selectSource(kind);
        for (bool available : {true, false}) {
            publish(available ? std::optional(known) : std::nullopt);
            EXPECT_EQ(escaped(), "") << rawValue(kind);
            publish(std::nullopt, available);
            EXPECT_EQ(escaped(), "") << rawValue(kind) << available;
        }
    }
}

} // namespace
} // namespace tallyglass
