#include "app/reading_report.h"
#include "app/source_registry.h"
#include "app/tallyglass_app.h"
#include "core/claude_folder.h"
#include "support/codex_home_builder.h"
#include "support/contrast.h"
#include "support/event_loop.h"
#include "support/fake_clock.h"
#include "support/fake_login_item.h"
#include "support/fake_source.h"
#include "support/fake_status_item.h"
#include "support/process_run.h"
#include "support/temp_home.h"
#include "ui/menu_view.h"
#include "ui/panel_style.h"
#include "ui/tray_icon.h"

#include <QCoreApplication>
#include <QPainter>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tallyglass;
using namespace tallyglass::testing;

namespace {

UsageSnapshot reading() {
    return UsageSnapshot{1'800'000'000.0,
                         "Opus 4.7",
                         "pro",
                         {{"seven_day", {17.4, 1'800'300'000.0, 10080.0}},
                          {"five_hour", {42.0, std::nullopt, 300.0}}}};
}

// The icon as a bar of this colour shows it; the contrast of its most distinct pixel.
double contrastOn(const QColor& bar, const QPixmap& icon) {
    QImage shown(icon.size(), QImage::Format_RGB32);
    shown.fill(bar);
    QPainter(&shown).drawPixmap(0, 0, icon);
    return highestContrast(shown, bar);
}

TEST(TrayIcon, ReadsOnLightAndDarkBarsAtEverySize) {
    // Xfce's and tint2's default bars, GNOME's, Breeze and Breeze Dark, white and black.
    const QColor bars[] = {QColor(0x30, 0x30, 0x30), QColor(Qt::black), QColor(0xef, 0xf0, 0xf1),
                           QColor(0x31, 0x36, 0x3b), QColor(Qt::white), QColor(0x80, 0x80, 0x80)};
    for (int side : {16, 22, 24, 32, 48, 64}) {
        const QPixmap pixmap = trayIcon().pixmap(QSize(side, side), 1.0);
        ASSERT_EQ(pixmap.size(), QSize(side, side));
        for (const QColor& bar : bars)
            EXPECT_GE(contrastOn(bar, pixmap), 3.0)
                << side << " px on " << bar.name().toStdString();
    }
}

// The app with a tray the test shows and hides, over one fake source.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        state->setResult(reading());
        auto item = std::make_unique<FakeStatusItem>();
        item->shown = false;
        tray = item.get();
        app = std::make_unique<TallyglassApp>(fakeSources(state), std::make_shared<FakeClock>(),
                                              std::move(item), std::make_shared<FakeLoginItem>());
    }
    bool windowOpen() const { return app->panel().isWindowed() && app->panel().isOpen(); }

    TempHome home;
    std::shared_ptr<FakeSource::State> state = std::make_shared<FakeSource::State>();
    FakeStatusItem* tray = nullptr;
    std::unique_ptr<TallyglassApp> app;
};

TEST_F(AppTest, StatusItemFollowsEveryPublishedReading) {
    // Before the first load: the icon alone.
    ASSERT_EQ(tray->summaries.size(), 1u);
    EXPECT_EQ(tray->summaries.back(), std::nullopt);
    EXPECT_FALSE(tray->icon.isNull());
    ASSERT_TRUE(processEventsUntil([&] { return tray->summaries.size() > 1; }));
    EXPECT_EQ(tray->summaries.back(), QStringLiteral("42% \u00B7 17%"));

    // A refresh with the same figures leaves the tray alone.
    const auto shown = tray->summaries.size();
    app->model().refresh();
    ASSERT_TRUE(processEventsUntil([&] { return state->count("isAvailable") >= 2; }));
    processEventsFor(50);
    EXPECT_EQ(tray->summaries.size(), shown);

    state->setResult(std::nullopt);
    app->model().refresh();
    ASSERT_TRUE(processEventsUntil([&] { return tray->summaries.back() == std::nullopt; }));
}

TEST_F(AppTest, WindowStandsInUntilATrayShowsTheItem) {
    processEventsFor(TallyglassApp::trayWaitMs / 2);
    EXPECT_FALSE(app->panel().isOpen());
    ASSERT_TRUE(processEventsUntil([&] { return windowOpen(); }, 5000));
    // A host that starts late, as at login: the window goes by itself.
    tray->setShown(true);
    ASSERT_TRUE(processEventsUntil([&] { return !app->panel().isOpen(); }, 5000));
    // A panel that restarts is given time to come back before the window stands in again.
    tray->setShown(false);
    const int asked = tray->shownAsked;
    processEventsFor(TallyglassApp::trayWaitMs + 500);
    EXPECT_FALSE(app->panel().isOpen());
    // Meanwhile the shell waits to be told of a change rather than asking again and again.
    EXPECT_EQ(tray->shownAsked, asked);
    // A window the user opened stays when the tray comes back.
    app->showPanelWindow();
    tray->setShown(true);
    processEventsFor(TallyglassApp::trayWaitMs);
    EXPECT_TRUE(windowOpen());
}

// Show Usage opens the panel by the tray and never closes it; a click toggles it.
TEST_F(AppTest, MenuCommandsAndClicks) {
    tray->setShown(true);
    tray->choose(MenuCommand::openPanel);
    EXPECT_TRUE(app->panel().isOpen());
    EXPECT_FALSE(app->panel().isWindowed());
    tray->choose(MenuCommand::openPanel);
    EXPECT_TRUE(app->panel().isOpen());
    tray->click(QPoint(100, 10));
    EXPECT_FALSE(app->panel().isOpen());
    QTimer::singleShot(0, [&] { tray->choose(MenuCommand::quit); });
    QTimer::singleShot(3000, [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

// A further Claude folder is reported under its name, and picked by that or its stored form.
TEST(InspectReport, NamesEveryClaudeFolder) {
    TempHome home;
    setClaudeSourceName(addClaudeFolder(home.filePath("work")), QStringLiteral("Work"));
    const SourceTable sources = defaultSources();
    const auto report = inspectReport(sources, 0);
    EXPECT_EQ(report["sources"][1]["name"], "Work");
    EXPECT_EQ(report["sources"][1]["folder"], home.filePath("work").toStdString());
    for (const char* name : {"claude-2", "work", " Work"})
        EXPECT_EQ(sourceByName(sources, QString::fromLatin1(name)),
                  SourceId(SourceKind::claude, 2));
    EXPECT_EQ(sourceByName(sources, QStringLiteral("Claude Code")), SourceId());
    EXPECT_EQ(sourceByName(sources, QStringLiteral("claude-3")), std::nullopt);
}

// Runs without a display: 0 when the watched assistant has a reading, 1 when it has none, 2 on
// a usage error; every source without a reading says why.
TEST(InspectReport, ExitStatusReasonsAndOptions) {
    TempHome home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    const auto inspect = [&](const QStringList& arguments) {
        return runProgram(QStringLiteral(TALLYGLASS_BINARY_DIR "/bin/tallyglass-inspect"),
                          arguments, 60'000, environment);
    };
    const std::tuple<QStringList, int, const char*> cases[] = {
        {{"--help"}, 0, "Exit status: 0 when"},
        {{"--version"}, 0, "tallyglass-inspect 0."},
        {{"--bogus"}, 2, "Usage: tallyglass-inspect"},
        {{"extra"}, 2, "Unexpected argument: extra"},
        {{"--source", "gemini"}, 2, "No source named gemini (known: claude, codex)"},
        {{"--format", "xml"}, 2, "Unknown format: xml"},
        {{}, 1, "The Claude folder"},
    };
    for (const auto& [arguments, status, shown] : cases) {
        const ProcessResult run = inspect(arguments);
        EXPECT_EQ(run.exitCode, status) << arguments.join(' ').toStdString();
        EXPECT_TRUE((run.standardOutput + run.standardError).contains(shown))
            << run.standardOutput.constData() << run.standardError.constData();
    }
    writeFile(home.filePath(".claude/usage_snapshot.json"),
              R"({"updated_at": 1700000000, "windows": {"five_hour": {"used_percentage": 90,)"
              R"( "resets_at": 1700003600}, "seven_day": {"used_percentage": 20}}})");
    const ProcessResult run = inspect({});
    EXPECT_EQ(run.exitCode, 0);
    const auto report = nlohmann::json::parse(run.standardOutput.toStdString());
    const auto& claude = report["sources"][0];
    EXPECT_EQ(claude["stale"], true);
    // Absent fields are left out.
    EXPECT_EQ(claude["snapshot"]["windows"]["seven_day"].dump(), R"({"used_percentage":20.0})");
    EXPECT_EQ(claude["labeled_windows"][0]["label"], "Current session (5h)");
    EXPECT_EQ(claude["summary"], "0% \u00B7 20%"); // the session reset long ago
    EXPECT_EQ(claude["reasons"][0], "The status-line helper is not installed.");
    EXPECT_EQ(report["sources"][1]["kind"], "codex");
    EXPECT_EQ(report["sources"][1]["available"], false);
    EXPECT_FALSE(report["sources"][1].contains("snapshot"));
    EXPECT_TRUE(report["sources"][1]["reasons"][0].get<std::string>().find("\"sessions\"") !=
                std::string::npos);
    const auto limits = nlohmann::ordered_json::parse(R"({"primary":{"used_percent":"5"}})");
    CodexHomeBuilder(home.filePath(".codex"))
        .addSession(1.8e9, tokenCountLine("2027-01-15T08:00:00.000Z", limits), 1.8e9);
    EXPECT_TRUE(inspect({}).standardOutput.contains(
        R"(usable: \"payload.rate_limits.primary.used_percent\" is a string, expected a number.")"));
}

} // namespace
