#include "support/event_loop.h"
#include "support/fake_clock.h"
#include "support/fake_login_item.h"
#include "support/fake_source.h"
#include "support/temp_home.h"
#include "ui/elided_label.h"
#include "ui/menu_view.h"
#include "ui/panel_host.h"
#include "ui/panel_style.h"
#include "ui/source_switch.h"
#include "ui/translations.h"
#include "ui/usage_row.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
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
    PanelHost host{model, clock, std::make_shared<testing::FakeLoginItem>()};
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
    EXPECT_EQ(find<UsageRow>("usageRow_seven_day")->findChild<ElidedLabel*>()->text(),
              QStringLiteral("Weekly limit (7d)"));
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

TEST_F(PanelTest, PickingASegmentSwitchesAndClearsAtOnce) {
    publish(snapshotWith({{"five_hour", {42, {}, {}}}}));
    auto* sourceSwitch = find<SourceSwitch>("sourceSwitch");
    // Codex is read beside Claude Code at every refresh, for the warnings: on showing and now.
    ASSERT_TRUE(processEventsUntil([&] { return codex->count("loadSnapshot") == 2; }));
    const std::size_t before = codex->calls().size();
    codex->hold();
    sourceSwitch->segment(SourceKind::codex)->click();
    EXPECT_EQ(model.activeKind(), SourceKind::codex);
    settle();
    EXPECT_TRUE(sourceSwitch->segment(SourceKind::codex)->isChecked());
    // The previous figures are gone at once; the empty state shows until Codex answers.
    EXPECT_NE(find<QWidget>("emptyState"), nullptr);
    EXPECT_TRUE(codex->waitForCalls(before + 1));
    EXPECT_EQ(codex->calls()[before], "prepare");
    codex->release();
}

TEST_F(PanelTest, PlanBadgeIsCapitalisedWordByWord) {
    const std::pair<std::optional<std::string>, const char*> cases[] = {
        {"pro", "Pro"}, {"PLUS", "Plus"}, {"team plan", "Team Plan"}, {"", ""}, {{}, ""}};
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
    EXPECT_TRUE(host.isWindowed());
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
