#include "installed_helper.h"

#include "core/snapshot_decoding.h"
#include "sources/claude/claude_usage_source.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QThread>

#include <csignal>

#include <functional>
#include <memory>

using namespace tallyglass;
using namespace tallyglass::testing;
using Json = nlohmann::ordered_json;

namespace {

const QByteArray realisticInput =
    R"({"session_id":"7f3c2a9e-4b1d-4e8a-9c55-2d0f6b8e1a47","transcript_path":"/home/user/.claude/projects/-home-user-src-webapp/7f3c2a9e.jsonl","cwd":"/home/user/src/webapp","model":{"id":"claude-opus-4-7","display_name":"Opus 4.7"},"workspace":{"current_dir":"/home/user/src/webapp","project_dir":"/home/user/src/webapp","added_dirs":[]},"version":"2.1.239","output_style":{"name":"default"},"cost":{"total_cost_usd":1.8342,"total_duration_ms":2712000},"context_window":{"context_window_size":200000,"used_percentage":31},"exceeds_200k_tokens":false,"rate_limits":{"five_hour":{"used_percentage":37,"resets_at":1787054400},"seven_day":{"used_percentage":14.000000000000002,"resets_at":1787385600}}})";
const QByteArray emptyLine = "5h - | 7d -\n";

class StatuslineHelper : public ::testing::Test {
protected:
    void SetUp() override { installForTest(); }

    QByteArray snapshot() const { return readFile(claudeFile("usage_snapshot.json")); }
    bool hasSnapshot() const { return QFileInfo::exists(claudeFile("usage_snapshot.json")); }

    TempHome m_home;
};

// What one run records is what the Claude source then loads, from any working folder.
TEST_F(StatuslineHelper, RecordsTheRealisticInputForTheSource) {
    const ProcessResult run = runInstalledHelper(realisticInput);
    EXPECT_TRUE(run.ok() && run.standardError.isEmpty());
    EXPECT_EQ(run.standardOutput, "[Opus 4.7]  webapp  5h 37% | 7d 14%\n");

    QDir::setCurrent(QDir::rootPath()); // the path starts at the home folder, wherever we stand
    auto decoded = ClaudeUsageSource(testRunnerPath()).loadSnapshot();
    ASSERT_TRUE(decoded);
    EXPECT_NEAR(decoded->updatedAt, QDateTime::currentMSecsSinceEpoch() / 1000.0, 5);
    decoded->updatedAt = 0;
    EXPECT_EQ(decoded, (UsageSnapshot{0,
                                      "Opus 4.7",
                                      {},
                                      {{"five_hour", {37.0, 1787054400.0, {}}},
                                       {"seven_day", {14.000000000000002, 1787385600.0, {}}}}}));
}

// Pairs of standard input and the line printed for it.
TEST_F(StatuslineHelper, PrintsItsOwnLine) {
    const auto cases = Json::parse(readFile(TALLYGLASS_TEST_DATA "/statusline/own_lines.txt"));
    for (const auto& pair : cases) {
        const ProcessResult run = runInstalledHelper(QByteArray::fromStdString(pair[0]));
        EXPECT_EQ(run.exitCode, 0) << pair[0];
        EXPECT_EQ(run.standardOutput.toStdString(), pair[1]) << pair[0];
    }
}

TEST_F(StatuslineHelper, CopiesEveryWindowObjectWholeInOrder) {
    runInstalledHelper(
        R"({"rate_limits":{"seven_day_opus":{"used_percentage":null,"extra":[1,"a/b"]},"bogus":3,"five_hour":{"used_percentage":99.5}}})");
    Json written = Json::parse(snapshot().toStdString());
    EXPECT_EQ(written.begin().key(), "updated_at");
    written.erase("updated_at");
    EXPECT_EQ(
        written.dump(),
        R"({"model":"","windows":{"seven_day_opus":{"used_percentage":null,"extra":[1,"a/b"]},"five_hour":{"used_percentage":99.5}}})");

    runInstalledHelper(R"({"rate_limits":{"only":1}})");
    EXPECT_EQ(Json::parse(snapshot().toStdString())["windows"], Json::object());

    // Input without rate data leaves the earlier snapshot.
    writeFile(claudeFile("usage_snapshot.json"), "earlier");
    for (const char* input : {R"({"model":{"display_name":"Opus"}})", R"({"rate_limits":[{}]})",
                              R"({"rate_limits":{}})"}) {
        EXPECT_EQ(runInstalledHelper(input).exitCode, 0);
        EXPECT_EQ(snapshot(), "earlier") << input;
    }
}

// The chained command gets the input and owns the output, whatever its exit status. Ending
// without reading a large input is still a run; far more than a pipe holds both ways must not
// make the exchange wait on itself.
TEST_F(StatuslineHelper, ChainedCommandGetsTheInputAndOwnsTheOutput) {
    const QByteArray large(3 << 20, 'x');
    const std::tuple<QByteArray, QByteArray, QByteArray> cases[] = {
        {"printf 'from the chain\\n'", realisticInput, "from the chain\n"},
        {"  head -c 12\n", realisticInput, realisticInput.left(12)},
        {"cat", large, large},
        {"echo fixed", QByteArray(1 << 20, ' '), "fixed\n"},
        {"echo oops >&2; exit 3", realisticInput, ""},
        {" \n\t ", realisticInput, "[Opus 4.7]  webapp  5h 37% | 7d 14%\n"},
    };
    for (const auto& [command, input, output] : cases) {
        writeFile(claudeFile("statusline-usage.inner"), command);
        const ProcessResult run = runInstalledHelper(input);
        EXPECT_EQ(run.exitCode, 0) << command.constData();
        EXPECT_EQ(run.standardOutput, output) << command.constData();
    }
    EXPECT_TRUE(hasSnapshot());
}

TEST_F(StatuslineHelper, HostileInputStillGivesTheLine) {
    QByteArray binary;
    for (unsigned i = 0; i < 1u << 20; ++i)
        binary += char(i * 7919 >> 3);
    const QByteArray rates = R"({"rate_limits":{"five_hour":{"used_percentage":5}},"x":)";
    const std::pair<QByteArray, QByteArray> cases[] = {
        {rates + '"' + QByteArray(100 * 1024 * 1024, 'a'), emptyLine},
        {binary, emptyLine},
        {rates + "\"\xff\xfe\"}", emptyLine},
        {rates + "\"\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80\"}", emptyLine}, // not strict UTF-8
        {rates + QByteArray(100'000, '[') + QByteArray(100'000, ']') + '}', emptyLine},
        {R"({"workspace":{"current_dir":")" + QByteArray(10 * 1024 * 1024, '/') + R"(x//"}})",
         "x  5h - | 7d -\n"},
    };
    for (const auto& [input, line] : cases) {
        const ProcessResult run = runInstalledHelper(input);
        EXPECT_TRUE(run.ok() && run.standardOutput == line && !hasSnapshot())
            << input.left(40).constData();
    }
}

TEST_F(StatuslineHelper, ConcurrentRunsAlwaysLeaveOneWholeSnapshot) {
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
              (QStringList{"settings.json", "statusline-usage.js", "usage_snapshot.json"}));
}

bool waitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 500 && !condition(); ++i)
        QThread::msleep(10);
    return condition();
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
    for (const int signal : {SIGTERM, SIGHUP, SIGPIPE}) {
        QFile::remove(pids);
        QProcess run;
        run.start(testRunnerPath(), {"-l", "JavaScript", statuslineScriptPath()});
        run.closeWriteChannel();
        ASSERT_TRUE(waitFor([&] { return readFile(pids).count('\n') == 2; }));
        ::kill(pid_t(run.processId()), signal);
        EXPECT_TRUE(run.waitForFinished(10'000)) << signal;
        for (const QByteArray& pid : readFile(pids).trimmed().split('\n'))
            EXPECT_TRUE(waitFor([&] { return !isRunning(pid); })) << signal;
    }
}

// A run killed mid-write leaves its temporary file; a later run removes it once it is old.
TEST_F(StatuslineHelper, RemovesTemporaryFilesOfKilledRuns) {
    runShell(R"(cd "$HOME/.claude" && touch -d '1 hour ago' usage_snapshot.json.tmp-1-a &&
                touch usage_snapshot.json.tmp-2-b)",
             {});
    runInstalledHelper(R"({"rate_limits":{"five_hour":{"used_percentage":3}}})");
    EXPECT_FALSE(QFileInfo::exists(claudeFile("usage_snapshot.json.tmp-1-a")));
    EXPECT_TRUE(QFileInfo::exists(claudeFile("usage_snapshot.json.tmp-2-b")));
}

} // namespace
