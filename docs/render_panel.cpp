// Renders the panel from the real widgets with sample data, for the pictures in docs/.
// Usage: render_panel OUTPUT_DIR (run with the offscreen platform; QT_SCALE_FACTOR sets the
// pixel ratio of the pictures).

#include "core/alert_memory.h"
#include "core/claude_folder.h"
#include "core/window_labels.h"
#include "support/event_loop.h"
#include "support/fake_clock.h"
#include "support/fake_helper_switch.h"
#include "support/fake_login_item.h"
#include "support/fake_source.h"
#include "support/temp_home.h"
#include "ui/menu_view.h"
#include "ui/panel_style.h"
#include "ui/translations.h"
#include "ui/tray_icon.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPalette>
#include <QSettings>
#include <QStyle>
#include <QStyleFactory>
#include <QTextStream>

#include <cstdio>

using namespace tallyglass;
using namespace tallyglass::testing;

namespace {

constexpr double now = 1'796'461'200; // Dec 5, 2026, 9:00 AM UTC

UsageSnapshot claudeSample(double age) {
    UsageSnapshot snapshot;
    snapshot.updatedAt = now - age;
    snapshot.model = "Opus 4.1";
    snapshot.planType = "max";
    snapshot.windows["five_hour"] = {42.4, now + 2 * 3600 + 60, 300};
    snapshot.windows["seven_day"] = {73.0, now + 3 * 86400 + 6 * 3600, 10080};
    snapshot.windows["seven_day_opus"] = {91.6, now + 3 * 86400 + 6 * 3600, std::nullopt};
    return snapshot;
}

UsageSnapshot codexSample(double age) {
    UsageSnapshot snapshot;
    snapshot.updatedAt = now - age;
    snapshot.model = "gpt-5-codex";
    snapshot.planType = "PLUS";
    snapshot.windows["five_hour"] = {12.0, now + 4 * 3600 + 1800, 300};
    snapshot.windows["seven_day"] = {64.5, now + 86400 + 3 * 3600, 10080};
    return snapshot;
}

// Today's Codex with a model that has limits of its own beside the account's.
UsageSnapshot codexFamiliesSample() {
    UsageSnapshot snapshot = codexSample(60);
    snapshot.model = "gpt-5.3-codex";
    snapshot.windows["codex_bengalfox.five_hour"] = {0.0, now + 5 * 3600, 300,
                                                     "GPT-5.3-Codex-Spark"};
    snapshot.windows["codex_bengalfox.seven_day"] = {3.0, now + 6 * 86400 + 5 * 3600, 10080,
                                                     "GPT-5.3-Codex-Spark"};
    return snapshot;
}

// A plan without the five-hour limit: Codex sends the weekly window alone, as "primary".
UsageSnapshot codexWeeklyOnlySample() {
    UsageSnapshot snapshot;
    snapshot.updatedAt = now - 60;
    snapshot.model = "gpt-5.3-codex";
    snapshot.planType = "self_serve_business_usage_based";
    snapshot.windows["seven_day"] = {5.0, now + 4 * 86400 + 2 * 3600, 10080};
    return snapshot;
}

// The five-hour window reached its limit, then reset two hours ago with no reading since.
UsageSnapshot claudeResetSample() {
    UsageSnapshot snapshot = claudeSample(3 * 3600);
    snapshot.windows["five_hour"] = {100.0, now - 2 * 3600, 300};
    return snapshot;
}

SetupReport addedToSettings() {
    SetupReport report;
    report.result = SetupReport::Result::added;
    report.ownCommandKept = true;
    report.path = report.settingsPath = QDir::homePath() + QStringLiteral("/.claude/settings.json");
    return report;
}

SetupReport settingsNotJson() {
    SetupReport report;
    report.result = SetupReport::Result::failed;
    report.problem = SetupReport::Problem::notJson;
    report.line = 7;
    report.column = 1;
    report.path = report.settingsPath = QDir::homePath() + QStringLiteral("/.claude/settings.json");
    report.statusLineMember =
        QStringLiteral("\"statusLine\": {\n  \"type\": \"command\",\n  \"command\": "
                       "\"/usr/bin/tallyglass-jsrunner -l JavaScript "
                       "\\\"/home/user/.claude/statusline-usage.js\\\"\"\n}");
    return report;
}

QPalette darkPalette() {
    QPalette palette;
    const QColor window(30, 30, 32), text(236, 236, 238), base(22, 22, 24);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(52, 52, 56));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Highlight, QColor(10, 132, 255));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Light, QColor(70, 70, 74));
    palette.setColor(QPalette::Midlight, QColor(60, 60, 64));
    palette.setColor(QPalette::Mid, QColor(44, 44, 48));
    palette.setColor(QPalette::Dark, QColor(16, 16, 18));
    palette.setColor(QPalette::Shadow, Qt::black);
    QColor placeholder = text;
    placeholder.setAlpha(128);
    palette.setColor(QPalette::PlaceholderText, placeholder);
    return palette;
}

struct Scene {
    const char* file;
    std::optional<UsageSnapshot> snapshot;
    SourceKind kind;
    bool available;
    bool dark;
    // Made inside the scene's home, so that the texts name it "~".
    SetupReport (*setup)() = nullptr;
    bool helperWanted = true;
    // Earlier readings of the session window this period, so the row shows the pace.
    bool pace = false;
    // A second Claude folder, for a work account, watched beside the first.
    bool workFolder = false;
};

// The Claude folder named "Personal", and ~/.claude-work added as "Work": its source.
SourceId addWorkFolder() {
    setClaudeSourceName(0, QStringLiteral("Personal"));
    const int number = addClaudeFolder(QDir::homePath() + QStringLiteral("/.claude-work"));
    setClaudeSourceName(number, QStringLiteral("Work"));
    return SourceId(SourceKind::claude, number);
}

// The session window at 20 % half an hour ago and 38 % ten minutes ago.
class EarlierReadings final : public AlertMemory {
public:
    AlertPeriods load() override {
        AlertPeriod period{now + 2 * 3600 + 60};
        period.readings = {{now - 1800, 20}, {now - 600, 38}};
        return {{"claude/five_hour", period}};
    }
    void save(const AlertPeriods&) override {}
};

// The tray item with both assistants' figures, as a StatusNotifierItem host lays out the icon
// and its label on a dark bar.
bool renderTray(const QString& folder) {
    const QString summary = QString::fromStdString(
        bothAssistantsSummary(claudeSample(120), codexSample(120)).value_or(std::string()));
    QFont font(QStringLiteral("DejaVu Sans"), 10);
    const int textWidth = QFontMetrics(font).horizontalAdvance(summary);
    const qreal ratio = qApp->devicePixelRatio();
    QImage bar((QSizeF(textWidth + 52, 28) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    bar.setDevicePixelRatio(ratio);
    bar.fill(QColor(0x30, 0x30, 0x30));
    QPainter painter(&bar);
    painter.drawPixmap(QRectF(10, 3, 22, 22), squareTrayPixmap(int(22 * ratio)), QRectF());
    painter.setFont(font);
    painter.setPen(QColor(242, 242, 242));
    painter.drawText(QRectF(38, 0, textWidth + 4, 28), Qt::AlignVCenter | Qt::AlignLeft, summary);
    painter.end();
    const QString path = QDir(folder).filePath(QStringLiteral("tray-both.png"));
    const bool saved = bar.save(path);
    QTextStream(stdout) << path << (saved ? " written\n" : " FAILED\n");
    return saved;
}

bool render(const Scene& scene, const QString& folder) {
    TempHome home;
    auto state = std::make_shared<FakeSource::State>();
    state->setResult(scene.snapshot, scene.available);
    state->setup = scene.setup ? scene.setup() : SetupReport{};
    SourceTable sources;
    const SourceId shown = scene.workFolder ? addWorkFolder() : SourceId(scene.kind);
    sources[shown] = std::make_shared<SourceActor>(std::make_unique<FakeSource>(state));
    if (scene.workFolder)
        sources[SourceKind::claude] =
            std::make_shared<SourceActor>(std::make_unique<FakeSource>(state));
    QSettings(QStringLiteral("Tallyglass"), QStringLiteral("Tallyglass"))
        .setValue(QStringLiteral("activeSource"), QString::fromStdString(storedForm(shown)));
    auto clock = std::make_shared<FakeClock>(now);
    UsageModel model(std::move(sources), clock,
                     scene.pace ? std::make_shared<EarlierReadings>() : nullptr);
    if (!processEventsUntil([&] { return state->count("isAvailable") > 0; }))
        return false;
    processEventsFor(50);

    MenuView view(model, clock, std::make_shared<FakeLoginItem>(),
                  std::make_shared<FakeHelperSwitch>(scene.helperWanted));
    view.setPalette(scene.dark ? darkPalette() : QApplication::style()->standardPalette());
    view.setFramed(true);
    view.show();
    processEventsUntil([&] { return state->count("isAvailable") > 1; });
    processEventsFor(50);
    const QString path = QDir(folder).filePath(QString::fromLatin1(scene.file));
    const bool saved = view.grab().save(path);
    QTextStream(stdout) << path << (saved ? " written\n" : " FAILED\n");
    return saved;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_panel OUTPUT_DIR\n");
        return 2;
    }
    installTranslations(QLocale::system(), QStringLiteral(TALLYGLASS_CATALOGUES));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    TempHome home; // the sample's source choice never reaches the user's settings
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    const Scene scenes[] = {
        {"panel.png", claudeSample(120), SourceKind::claude, true, false, {}, true, true},
        {"panel-light.png", claudeSample(120), SourceKind::claude, true, false, {}, true, true},
        {"panel-dark.png", claudeSample(120), SourceKind::claude, true, true, {}, true, true},
        {"panel-stale.png", codexSample(1500), SourceKind::codex, true, false},
        {"panel-stale-dark.png", codexSample(1500), SourceKind::codex, true, true},
        {"panel-codex-families.png", codexFamiliesSample(), SourceKind::codex, true, false},
        {"empty-claude.png", std::nullopt, SourceKind::claude, true, false},
        {"empty-codex.png", std::nullopt, SourceKind::codex, true, false},
        {"empty-claude-not-found.png", std::nullopt, SourceKind::claude, false, false},
        {"empty-codex-not-found-dark.png", std::nullopt, SourceKind::codex, false, true},
        {"panel-codex-weekly-only.png", codexWeeklyOnlySample(), SourceKind::codex, true, false},
        {"panel-reset.png", claudeResetSample(), SourceKind::claude, true, false},
        {"first-run-claude.png", std::nullopt, SourceKind::claude, true, false, addedToSettings},
        {"setup-failed-claude.png", std::nullopt, SourceKind::claude, true, false, settingsNotJson},
        {"panel-two-claude-folders.png",
         claudeSample(120),
         SourceKind::claude,
         true,
         false,
         {},
         true,
         false,
         true},
        {"empty-claude-helper-removed.png",
         std::nullopt,
         SourceKind::claude,
         false,
         false,
         {},
         false},
    };
    bool ok = true;
    for (const Scene& scene : scenes)
        ok = render(scene, folder) && ok;
    ok = renderTray(folder) && ok;
    return ok ? 0 : 1;
}
