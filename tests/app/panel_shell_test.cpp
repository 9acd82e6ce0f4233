#include "support/event_loop.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include <sys/stat.h>
#include <unistd.h>

namespace tallyglass {
namespace {

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

// What a hostile or broken home holds must not stop the start.
TEST(PanelShell, StartsPastWhatTheHomeHolds) {
    for (const bool fifo : {false, true}) {
        testing::TempHome home;
        QLocalServer inFolder, beside;
        const QString folder = home.filePath(QStringLiteral("tallyglass-%1").arg(::geteuid()));
        const QString settings = home.filePath(QStringLiteral(".config/Tallyglass"));
        if (fifo) {
            // Reading settings from a FIFO would wait for a writer for ever.
            ASSERT_TRUE(QDir().mkpath(settings));
            ASSERT_EQ(::mkfifo(QFile::encodeName(settings + "/Tallyglass.conf"), 0600), 0);
        } else {
            // Another user made the folder of the socket, open to all, and listens there.
            ASSERT_TRUE(QDir().mkpath(folder));
            QFile::setPermissions(folder, QFile::Permissions(0x7777));
            ASSERT_TRUE(inFolder.listen(folder + QStringLiteral("/tallyglass.socket")));
            ASSERT_TRUE(beside.listen(folder + QStringLiteral(".socket")));
        }
        Program program(home, /*withRuntime=*/false);
        // Up and loading: its source installs the helper into the Claude folder.
        EXPECT_TRUE(testing::processEventsUntil([&] {
            return !program.running() ||
                   QFile::exists(home.filePath(QStringLiteral(".claude/statusline-usage.js")));
        })) << fifo;
        EXPECT_TRUE(program.running()) << fifo;
    }
}

} // namespace
} // namespace tallyglass
