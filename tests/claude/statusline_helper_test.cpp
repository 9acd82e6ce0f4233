#include "installed_helper.h"
#include "support/event_loop.h"

#include "sources/claude/snapshot_decoding.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QProcess>

#include <csignal>

#include <memory>

using namespace tallyglass;
using namespace tallyglass::testing;
using Json = nlohmann::ordered_json;

namespace {

const QByteArray realisticInput = readFile(TALLYGLASS_TEST_DATA "/statusline/realistic.json");

class StatuslineHelper : public ::testing::Test {
protected:
    void SetUp() override {
        installStatuslineHelper(claudeFolderPath(),
                                statuslineCommand(testRunnerPath(), statuslineScriptPath()));
    }

    QByteArray snapshot() const { return readFile(claudeFile("usage_snapshot.json")); }
    bool hasSnapshot() const { return QFileInfo::exists(claudeFile("usage_snapshot.json")); }

    TempHome m_home;
};

// Rows of: standard input, the line printed for it, and the snapshot written besides its
// "updated_at", which comes first (null: input without rate data leaves the earlier one). The
// snapshot is one the user keeps elsewhere through a link: the link stays.
TEST_F(StatuslineHelper, EachInputGivesItsLineAndItsSnapshot) {
    ASSERT_TRUE(
        writeFile(m_home.filePath("elsewhere/snapshot.json"), "") &&
        QFile::link(m_home.filePath("elsewhere/snapshot.json"), claudeFile("usage_snapshot.json")));
    const auto rows = Json::parse(readFile(TALLYGLASS_TEST_DATA "/statusline/own_lines.txt"));
    for (const auto& row : rows) {
        writeFile(claudeFile("usage_snapshot.json"), "earlier");
        const ProcessResult run = runInstalledHelper(QByteArray::fromStdString(row[0]));
        EXPECT_TRUE(run.ok() && run.standardError.isEmpty()) << row[0];
        EXPECT_EQ(run.standardOutput.toStdString(), row[1].get<std::string>()) << row[0];
        if (row[2].is_null()) {
            EXPECT_EQ(snapshot(), "earlier") << row[0];
            continue;
        }
        Json written = Json::parse(snapshot().toStdString());
        EXPECT_EQ(written.begin().key(), "updated_at") << row[0];
        EXPECT_NEAR(written["updated_at"].get<double>(), QDateTime::currentSecsSinceEpoch(), 5);
        written.erase("updated_at");
        EXPECT_EQ(written.dump(), row[2].dump()) << row[0];
    }
    EXPECT_TRUE(QFileInfo(claudeFile("usage_snapshot.json")).isSymLink());
}

// Rows of: the chained command (blank: none), the input, the output and whether a snapshot is
// written. The chain gets the input and owns the output, whatever its exit status. Ending
// without reading a large input is still a run; far more than a pipe holds both ways must not
// make the exchange wait on itself. Hostile input still gives our line, and no snapshot.
TEST_F(StatuslineHelper, ChainedCommandAndHostileInput) {
    const QByteArray large(3 << 20, 'x'), emptyLine = "5h - | 7d -\n";
    const QByteArray rates = R"({"rate_limits":{"five_hour":{"used_percentage":5}},"x":)";
    const std::tuple<QByteArray, QByteArray, QByteArray, bool> cases[] = {
        {"  head -c 12\n", realisticInput, realisticInput.left(12), true},
        {"cat", large, large, false},
        {"echo fixed", QByteArray(1 << 20, ' '), "fixed\n", false},
        {"echo oops >&2; exit 3", realisticInput, "", true},
        {" \n\t ", realisticInput, "[Opus 4.7]  webapp  5h 37% | 7d 14%\n", true},
        {"", rates + '"' + QByteArray(100 * 1024 * 1024, 'a'), emptyLine, false},
        {"", rates + "\"\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80\"}", emptyLine, false}, // not UTF-8
        {"", rates + QByteArray(100'000, '[') + QByteArray(100'000, ']') + '}', emptyLine, false},
        {"", R"({"workspace":{"current_dir":")" + QByteArray(10 * 1024 * 1024, '/') + R"(x//"}})",
         "x  5h - | 7d -\n", false},
    };
    for (const auto& [command, input, output, written] : cases) {
        const std::string why = (command + " | " + input.left(40)).toStdString();
        QFile::remove(claudeFile("usage_snapshot.json"));
        writeFile(claudeFile("statusline-usage.inner"), command);
        const ProcessResult run = runInstalledHelper(input);
        EXPECT_TRUE(run.ok()) << why;
        EXPECT_EQ(run.standardOutput, output) << why;
        EXPECT_EQ(hasSnapshot(), written) << why;
    }
}

// Runs at once leave one whole snapshot and no temporary file of theirs. A run killed
// mid-write leaves its temporary file; a later run removes it once it is old.
TEST_F(StatuslineHelper, ConcurrentRunsAlwaysLeaveOneWholeSnapshot) {
    runShell(R"(cd "$HOME/.claude" && touch -d '1 hour ago' usage_snapshot.json.tmp-1-a &&
                touch usage_snapshot.json.tmp-2-b)",
             {});
    const QString command = installedCommand();
    std::vector<std::unique_ptr<QProcess>> runs;
    for (int i = 0; i < 50; ++i) {
        auto& run = runs.emplace_back(std::make_unique<QProcess>());
        run->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
        run->write(QByteArray(R"({"rate_limits":{"five_hour":{"used_percentage":)") +
                   QByteArray::number(i) + "}}}");
        run->closeWriteChannel();
    }
    for (auto& run : runs) {
        while (!run->waitForFinished(5))
            ASSERT_TRUE(!hasSnapshot() || decodeSnapshot(snapshot().toStdString()));
        EXPECT_EQ(run->exitCode(), 0);
    }
    EXPECT_TRUE(decodeSnapshot(snapshot().toStdString()));
    EXPECT_EQ(QDir(claudeFolderPath()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              (QStringList{"settings.json", "statusline-usage.js", "usage_snapshot.json",
                           "usage_snapshot.json.tmp-2-b"}));
}

bool isRunning(const QByteArray& pid) {
    const QByteArray stat = readFile("/proc/" + pid.trimmed() + "/stat");
    return !stat.isEmpty() && stat.mid(stat.lastIndexOf(')') + 2, 1) != "Z";
}

// Claude Code ends a slow status line: the chained command and its children end with it.
TEST_F(StatuslineHelper, EndingTheRunnerEndsTheChainedCommand) {
    const QString pids = m_home.filePath("pids");
    writeFile(claudeFile("statusline-usage.inner"),
              R"(sleep 60 & echo $! > "$HOME/pids"; echo $$ >> "$HOME/pids"; wait)");
    for (const int signal : {SIGTERM, SIGHUP, SIGPIPE, SIGINT, SIGQUIT}) {
        QFile::remove(pids);
        QProcess run;
        run.start(testRunnerPath(), {"-l", "JavaScript", statuslineScriptPath()});
        run.closeWriteChannel();
        ASSERT_TRUE(processEventsUntil([&] { return readFile(pids).count('\n') == 2; }));
        ::kill(pid_t(run.processId()), signal);
        EXPECT_TRUE(run.waitForFinished(10'000)) << signal;
        for (const QByteArray& pid : readFile(pids).trimmed().split('\n'))
            EXPECT_TRUE(processEventsUntil([&] { return !isRunning(pid); })) << signal;
    }
}

} // namespace
