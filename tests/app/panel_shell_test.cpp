#include "app/tallyglass_app.h"
#include "support/event_loop.h"
#include "support/fake_clock.h"
#include "support/fake_login_item.h"
#include "support/fake_status_item.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include <unistd.h>

namespace tallyglass {
namespace {

// Without a tray the panel opens in a window of its own; with one, only a click opens it.
TEST(PanelShell, TheTrayDecidesWhereThePanelOpens) {
    for (const bool trayShown : {false, true}) {
        testing::TempHome home;
        auto item = std::make_unique<testing::FakeStatusItem>();
        item->shown = trayShown;
        testing::FakeStatusItem* tray = item.get();
        TallyglassApp app(SourceTable{}, std::make_shared<testing::FakeClock>(), std::move(item),
                          std::make_shared<testing::FakeLoginItem>());
        testing::processEventsUntil([&] { return app.panel().isOpen(); },
                                    TallyglassApp::trayWaitMs + 500);
        EXPECT_EQ(app.panel().isOpen(), !trayShown);
        tray->click(QPoint(100, 10));
        EXPECT_EQ(app.panel().isOpen(), trayShown);
        EXPECT_EQ(app.panel().isWindowed(), !trayShown);
    }
}

// The real program, in a fresh home and runtime folder (none: XDG_RUNTIME_DIR unset).
struct Program : QProcess {
    explicit Program(const testing::TempHome& home, bool withRuntime = true) {
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), home.path());
        if (withRuntime)
            environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
        else
            environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        setProcessEnvironment(environment);
        start(QStringLiteral(TALLYGLASS_PROGRAM), {});
    }
    ~Program() override {
        kill();
        waitForFinished();
    }
    bool running() const { return state() != QProcess::NotRunning; }
};

// A double click on a launcher, or a few: starts at once leave exactly one running.
TEST(PanelShell, StartsAtOnceLeaveOne) {
    for (int trial = 0; trial < 6; ++trial) {
        testing::TempHome home;
        std::array<std::unique_ptr<Program>, 4> starts;
        for (auto& start : starts)
            start = std::make_unique<Program>(home);
        auto running = [&] {
            return std::count_if(starts.begin(), starts.end(),
                                 [](auto& p) { return p->running(); });
        };
        ASSERT_TRUE(testing::processEventsUntil([&] { return running() <= 1; }, 20000))
            << running() << " still run, trial " << trial;
        EXPECT_EQ(running(), 1) << trial;
        for (auto& start : starts)
            EXPECT_TRUE(start->running() || start->exitCode() == 0) << trial;
    }
}

// Another user made the folder where the socket would be, open to all, and listens there.
TEST(PanelShell, SquattedRuntimeFolderDoesNotStopTheStart) {
    testing::TempHome home;
    const QString folder = home.filePath(QStringLiteral("tallyglass-%1").arg(::geteuid()));
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile::setPermissions(folder, QFile::Permissions(0x7777));
    QLocalServer inFolder, beside;
    ASSERT_TRUE(inFolder.listen(folder + QStringLiteral("/tallyglass.socket")));
    ASSERT_TRUE(beside.listen(folder + QStringLiteral(".socket")));
    Program program(home, /*withRuntime=*/false);
    // Started for real: it installs its helper into the Claude folder.
    EXPECT_TRUE(testing::processEventsUntil([&] {
        return !program.running() ||
               QFile::exists(home.filePath(QStringLiteral(".claude/statusline-usage.js")));
    }));
    EXPECT_TRUE(program.running());
}

} // namespace
} // namespace tallyglass
