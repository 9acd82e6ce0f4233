#include "app/tallyglass_app.h"
#include "support/event_loop.h"
#include "support/fake_clock.h"
#include "support/fake_status_item.h"
#include "support/temp_home.h"
#include "ui/menu_view.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace tallyglass {
namespace {

struct Shell {
    explicit Shell(bool trayShown) {
        auto item = std::make_unique<testing::FakeStatusItem>();
        item->shown = trayShown;
        tray = item.get();
        app = std::make_unique<TallyglassApp>(SourceTable{}, std::make_shared<testing::FakeClock>(),
                                              std::move(item));
    }
    testing::TempHome home;
    testing::FakeStatusItem* tray = nullptr;
    std::unique_ptr<TallyglassApp> app;
};

TEST(PanelShell, WithoutATrayThePanelOpensInAWindow) {
    Shell shell(false);
    EXPECT_FALSE(shell.app->panel().isOpen());
    ASSERT_TRUE(testing::processEventsUntil([&] { return shell.app->panel().isOpen(); },
                                            TallyglassApp::trayWaitMs + 3000));
    EXPECT_TRUE(shell.app->panel().isWindowed());
    shell.app->panel().view()->close();
    EXPECT_FALSE(shell.app->panel().isOpen());
    shell.app->showPanelWindow();
    EXPECT_TRUE(shell.app->panel().isOpen());
}

TEST(PanelShell, WithATrayNoWindowOpensUntilTheItemIsClicked) {
    Shell shell(true);
    testing::processEventsFor(TallyglassApp::trayWaitMs + 300);
    EXPECT_FALSE(shell.app->panel().isOpen());
    shell.tray->click(QPoint(100, 10));
    EXPECT_TRUE(shell.app->panel().isOpen());
    EXPECT_FALSE(shell.app->panel().isWindowed());
    shell.tray->click(QPoint(100, 10));
    EXPECT_FALSE(shell.app->panel().isOpen());
}

TEST(PanelShell, SecondStartLeavesAndTheFirstKeepsRunning) {
    testing::TempHome home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QString program = QStringLiteral(TALLYGLASS_PROGRAM);

    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(program, {});
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(testing::processEventsUntil(
        [&] { return QFile::exists(home.filePath(QStringLiteral("tallyglass.socket"))); }));

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(program, {});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished();
}

} // namespace
} // namespace tallyglass
