#include "installed_helper.h"

#include "core/file_access.h"
#include "sources/claude/statusline_script.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcessEnvironment>

#include <sys/stat.h>

#include <optional>

using namespace tallyglass;
using namespace tallyglass::testing;
using Json = nlohmann::json;

namespace {

const QString command = QStringLiteral(
    R"(/opt/tg/bin/tallyglass-jsrunner -l JavaScript "/h/.claude/statusline-usage.js")");

void install() {
    installStatuslineHelper(claudeFolderPath(), command);
}
QByteArray settingsBytes() {
    return readFile(claudeFile("settings.json"));
}
Json settingsJson() {
    return Json::parse(settingsBytes().toStdString(), nullptr, false);
}
const Json helperStatusLine = {{"type", "command"}, {"command", command.toStdString()}};

struct Row {
    const char* name;
    std::optional<QByteArray> settings; // none: no settings.json
    Json expected;                      // discarded: settings.json keeps its bytes
    std::optional<QByteArray> inner;    // none: no statusline-usage.inner afterwards
};

TEST(StatuslineInstallation, StateTable) {
    const Json unchanged = Json::value_t::discarded;
    const Json onlyHelper = {{"statusLine", helperStatusLine}};
    const Row rows[] = {
        {"absent", std::nullopt, onlyHelper, std::nullopt},
        {"empty", "", onlyHelper, std::nullopt},
        {"no command",
         R"({"model":"opus","n":5,"f":2.50,"big":18446744073709551615})",
         {{"model", "opus"},
          {"n", 5},
          {"f", 2.5},
          {"big", 18446744073709551615u},
          {"statusLine", helperStatusLine}},
         std::nullopt},
        {"foreign", R"({"statusLine":{"type":"command","command":" ~/bin/line.sh\n","padding":2}})",
         onlyHelper, "~/bin/line.sh"},
        {"earlier helper", R"({"statusLine":{"command":"python3 ~/.claude/statusline-usage.py"}})",
         onlyHelper, std::nullopt},
        {"installed elsewhere",
         R"({"statusLine":{"command":"osascript /Users/x/.claude/statusline-usage.js","padding":1}})",
         unchanged, "kept"},
        {"string status line", R"({"statusLine":"echo hi"})", onlyHelper, std::nullopt},
        {"number command", R"({"statusLine":{"command":7}})", onlyHelper, std::nullopt},
        {"blank command", R"({"statusLine":{"command":" \n "}})", onlyHelper, std::nullopt},
        {"not json", "{\"a\": 1", unchanged, "kept"},
        {"array", "[]", unchanged, "kept"},
        {"comment", "// mine\n{\"a\": 1}", unchanged, "kept"},
        {"trailing comma", "{\"a\": [1,],}", unchanged, "kept"},
        {"blank", " \n", unchanged, "kept"},
        {"nul byte", QByteArray("{\"a\": 1}\0{\"b\": 2}", 18), unchanged, "kept"},
        {"byte order mark", "\xEF\xBB\xBF{\"a\": 1}", unchanged, "kept"},
        {"over 16 MiB", "{\"a\":\"" + QByteArray(16 << 20, 'x') + "\"}", unchanged, "kept"},
    };
    for (const Row& row : rows) {
        TempHome home;
        if (row.settings)
            writeFile(claudeFile("settings.json"), *row.settings);
        writeFile(claudeFile("statusline-usage.inner"), "kept");
        install();
        install(); // a second run changes nothing more
        EXPECT_EQ(readFile(claudeFile("statusline-usage.js")),
                  QByteArray::fromStdString(std::string(statuslineScript)));
        if (row.expected.is_discarded()) {
            EXPECT_EQ(settingsBytes(), *row.settings) << row.name;
        } else {
            EXPECT_EQ(settingsJson(), row.expected) << row.name;
        }
        EXPECT_EQ(QFileInfo::exists(claudeFile("statusline-usage.inner")), row.inner.has_value())
            << row.name;
        if (row.inner) {
            EXPECT_EQ(readFile(claudeFile("statusline-usage.inner")), *row.inner) << row.name;
        }
    }
}

TEST(StatuslineInstallation, WritesSortedIndentedJsonWithEscapedSlashes) {
    TempHome home;
    writeFile(claudeFile("settings.json"), R"({"z":{"b":"x/y","a":[]},"a":true})");
    install();
    const QByteArray written = settingsBytes();
    EXPECT_EQ(written, R"({
  "a": true,
  "statusLine": {
    "command": "\/opt\/tg\/bin\/tallyglass-jsrunner -l JavaScript \"\/h\/.claude\/statusline-usage.js\"",
    "type": "command"
  },
  "z": {
    "a": [],
    "b": "x\/y"
  }
})");
    const QByteArray before = written;
    install();
    EXPECT_EQ(settingsBytes(), before);
}

TEST(StatuslineInstallation, SymlinkedSettingsStayALinkWithTheirMode) {
    TempHome home;
    const QString target = home.filePath("dotfiles/claude-settings.json");
    writeFile(target, R"({"theme":"dark"})");
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QDir().mkpath(claudeFolderPath());
    ASSERT_TRUE(QFile::link(target, claudeFile("settings.json")));
    install();
    EXPECT_TRUE(QFileInfo(claudeFile("settings.json")).isSymLink());
    EXPECT_EQ(Json::parse(readFile(target).toStdString())["theme"], "dark");
    EXPECT_EQ(Json::parse(readFile(target).toStdString())["statusLine"], helperStatusLine);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

TEST(StatuslineInstallation, SettingsThatCannotBeReadStayUntouched) {
    TempHome home;
    QDir().mkpath(claudeFile("settings.json")); // a folder in its place
    writeFile(claudeFile("statusline-usage.inner"), "kept");
    install();
    EXPECT_TRUE(QFileInfo(claudeFile("settings.json")).isDir());
    EXPECT_EQ(readFile(claudeFile("statusline-usage.inner")), "kept");

    QDir(claudeFile("settings.json")).removeRecursively();
    ASSERT_TRUE(QFile::link(home.filePath("missing/settings.json"), claudeFile("settings.json")));
    install();
    EXPECT_FALSE(QFileInfo::exists(home.filePath("missing/settings.json")));
    EXPECT_EQ(readFile(claudeFile("statusline-usage.inner")), "kept");

    // Opening a pipe for reading would wait for a writer that never comes.
    QFile::remove(claudeFile("settings.json"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(claudeFile("settings.json")).constData(), 0600), 0);
    install();
    EXPECT_EQ(readFile(claudeFile("statusline-usage.inner")), "kept");
}

TEST(StatuslineInstallation, ForeignCommandThatCannotBeSavedStaysInPlace) {
    TempHome home;
    const QByteArray settings = R"({"statusLine":{"command":"my-line"}})";
    writeFile(claudeFile("settings.json"), settings);
    QDir().mkpath(claudeFile("statusline-usage.inner")); // cannot be replaced by a file
    install();
    EXPECT_EQ(settingsBytes(), settings);
}

// An earlier command of ours whose runner is gone would leave Claude Code without a status
// line for good: it is repointed, keeping the chain and the rest of "statusLine". A runner
// that still exists, or a command of another form (a wrapper around ours), is left alone.
TEST(StatuslineInstallation, RepointsOurCommandWhenItsRunnerIsGone) {
    TempHome home;
    const QString current = statuslineCommand(testRunnerPath(), statuslineScriptPath());
    const QString gone = statuslineCommand(QStringLiteral("/gone/my build/tallyglass-jsrunner"),
                                           statuslineScriptPath());
    const QString living = statuslineCommand(QStringLiteral("/bin/sh"), statuslineScriptPath());
    const QString goneWord = statuslineCommand(QStringLiteral("/gone/r"), statuslineScriptPath());
    for (const QString& earlier : {gone, living, gone + QStringLiteral(" --x"), goneWord,
                                   QStringLiteral("/usr/bin/timeout 5 ") + goneWord}) {
        const Json before = {
            {"model", "opus"},
            {"statusLine",
             {{"type", "command"}, {"command", earlier.toStdString()}, {"padding", 2}}}};
        writeFile(claudeFile("settings.json"), QByteArray::fromStdString(before.dump()));
        writeFile(claudeFile("statusline-usage.inner"), "my-line");
        installStatuslineHelper(claudeFolderPath(), current);
        Json expected = before;
        if (earlier == gone || earlier == goneWord)
            expected["statusLine"]["command"] = current.toStdString();
        EXPECT_EQ(settingsJson(), expected) << earlier.toStdString();
        EXPECT_EQ(readFile(claudeFile("statusline-usage.inner")), "my-line");
    }
}

const QByteArray foreignSettings = R"({"statusLine":{"command":"my-line"},"theme":"dark"})";
const QByteArray script = QByteArray::fromStdString(std::string(statuslineScript));

QStringList claudeFiles() {
    return QDir(claudeFolderPath()).entryList(QDir::Files | QDir::Hidden);
}

// A full disk, for real: a 64 KiB tmpfs on the Claude folder in a private mount namespace,
// filled before the run. The test binary runs itself in there.
TEST(StatuslineInstallation, AFullDiskLosesNothing) {
    if (qEnvironmentVariableIsSet("TALLYGLASS_FULL_DISK")) {
        writeFile(claudeFile("settings.json"), foreignSettings);
        QFile fill(claudeFile("fill"));
        ASSERT_TRUE(fill.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (fill.write(QByteArray(512, 'x')) > 0) {
        }
        install();
        EXPECT_EQ(settingsBytes(), foreignSettings);
        EXPECT_EQ(claudeFiles(), (QStringList{"fill", "settings.json"}));
        return;
    }
    TempHome home;
    QDir().mkpath(claudeFolderPath());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TALLYGLASS_FULL_DISK", "1");
    const ProcessResult run = runProcess(
        "unshare",
        {"-m", "--propagation", "private", "/bin/sh", "-c",
         R"(mount -t tmpfs -o size=64k tmpfs "$HOME/.claude" || exit 77; exec "$0" "$1")",
         QFile::symLinkTarget("/proc/self/exe"),
         "--gtest_filter=StatuslineInstallation.AFullDiskLosesNothing"},
        {}, 60'000, environment);
    if (run.exitCode == 77 || (run.exitCode != 0 && run.standardOutput.isEmpty()))
        GTEST_SKIP() << "no private mount namespace here: " << run.standardError.constData();
    EXPECT_EQ(run.exitCode, 0) << run.standardOutput.constData();
}

// Each write of a run fails in turn, half-written: what it would replace keeps its bytes, no
// temporary file stays, and the command is never replaced before the foreign one is saved.
TEST(StatuslineInstallation, AFailedWriteAtAnyStepLosesNothing) {
    const QByteArray installed = R"("command": "\/opt)";
    const std::tuple<int, QByteArray, bool, const char*> steps[] = {
        {1, "old script", true, "my-line"},
        {2, script, false, nullptr},
        {3, script, false, "my-line"},
    };
    for (const auto& [step, scriptAfter, settingsInstalled, inner] : steps) {
        TempHome home;
        writeFile(claudeFile("settings.json"), foreignSettings);
        writeFile(claudeFile("statusline-usage.js"), "old script");
        setWriteFaultsForTesting({step, ENOSPC, {}});
        install();
        setWriteFaultsForTesting({});
        EXPECT_EQ(readFile(claudeFile("statusline-usage.js")), scriptAfter) << step;
        EXPECT_EQ(settingsBytes().contains(installed), settingsInstalled) << step;
        if (!settingsInstalled) {
            EXPECT_EQ(settingsBytes(), foreignSettings) << step;
        }
        EXPECT_EQ(readFile(claudeFile("statusline-usage.inner")), inner) << step;
        EXPECT_EQ(claudeFiles().size(), inner ? 3 : 2) << step;
    }
}

// A write to settings.json between our read and our replacement is planned again, not lost.
TEST(StatuslineInstallation, KeepsAConcurrentWrite) {
    TempHome home;
    writeFile(claudeFile("settings.json"), foreignSettings);
    bool written = false;
    setWriteFaultsForTesting({0, 0, [&](const QString& path) {
                                  if (!written && path.endsWith("settings.json"))
                                      written = writeFile(path, R"({"late":true})");
                              }});
    install();
    setWriteFaultsForTesting({});
    EXPECT_EQ(settingsJson(), Json({{"late", true}, {"statusLine", helperStatusLine}}));
}

TEST(StatuslineInstallation, ReadOnlySettingsKeepTheirBytesAndMode) {
    for (const mode_t mode : {0400u, 0444u}) {
        TempHome home;
        writeFile(claudeFile("settings.json"), foreignSettings);
        ::chmod(QFile::encodeName(claudeFile("settings.json")).constData(), mode);
        install();
        EXPECT_EQ(settingsBytes(), foreignSettings);
        EXPECT_EQ(fileStamp(claudeFile("settings.json")).mode, mode);
    }
}

TEST(StatuslineCommand, QuotesTheScriptPathSafely) {
    const std::tuple<QString, QString, QString> cases[] = {
        {"/usr/bin/osascript", "/Users/user/.claude/statusline-usage.js",
         R"(/usr/bin/osascript -l JavaScript "/Users/user/.claude/statusline-usage.js")"},
        {"/usr/bin/osascript", "/Users/a b/.claude/statusline-usage.js",
         R"(/usr/bin/osascript -l JavaScript "/Users/a b/.claude/statusline-usage.js")"},
        {"/usr/bin/osascript", R"(/h/q"d$t`b\'/s.js)",
         R"(/usr/bin/osascript -l JavaScript "/h/q\"d\$t\`b\\'/s.js")"},
        {"/opt/My Apps/tallyglass-jsrunner", "/h/s.js",
         R"("/opt/My Apps/tallyglass-jsrunner" -l JavaScript "/h/s.js")"},
    };
    for (const auto& [runner, scriptPath, expected] : cases) {
        EXPECT_EQ(statuslineCommand(runner, scriptPath), expected);
        EXPECT_EQ(statuslineCommandRunner(expected, scriptPath), runner);
    }
}

} // namespace

namespace {

TEST(StatuslineScript, IsTheScriptFileByteForByte) {
    const QByteArray file =
        readFile(TALLYGLASS_TEST_DATA "/../../sources/claude/statusline-usage.js");
    const QByteArray embedded = QByteArray::fromStdString(std::string(statuslineScript));
    EXPECT_EQ(embedded, file);
    EXPECT_TRUE(embedded.startsWith("#!/usr/bin/osascript -l JavaScript\n'use strict';\n"));
    EXPECT_TRUE(embedded.endsWith("\nmain();"));
}

} // namespace
