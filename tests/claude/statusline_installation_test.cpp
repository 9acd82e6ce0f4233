#include "installed_helper.h"

#include "core/file_access.h"
#include "sources/claude/statusline_script.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcessEnvironment>

#include <sys/stat.h>

#include <functional>
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
const QByteArray foreignSettings = R"({"statusLine":{"command":"my-line"},"theme":"dark"})";
const QByteArray script = QByteArray::fromStdString(std::string(statuslineScript));

// Rows of: the settings before (null: no file), the members after besides "statusLine", and
// the chained command after (null: none).
TEST(StatuslineInstallation, StateTable) {
    const auto rows = Json::parse(readFile(TALLYGLASS_TEST_DATA "/settings/state_table.txt"));
    for (const auto& row : rows) {
        TempHome home;
        if (!row[1].is_null())
            writeFile(claudeFile("settings.json"), QByteArray::fromStdString(row[1]));
        writeFile(claudeFile("statusline-usage.inner"), "kept");
        install();
        install(); // a second run changes nothing more
        EXPECT_EQ(readFile(claudeFile("statusline-usage.js")), script);
        Json expected = row[2];
        expected["statusLine"] = helperStatusLine;
        EXPECT_EQ(settingsJson(), expected) << row[0];
        const QString inner = claudeFile("statusline-usage.inner");
        EXPECT_EQ(QFileInfo::exists(inner) ? Json(readFile(inner).toStdString()) : Json(), row[3])
            << row[0];
    }
}

// Settings that are not a JSON object we can keep, cannot be read, or that the user made
// read-only, and a foreign command that cannot be saved: nothing changes but the script.
TEST(StatuslineInstallation, LeavesAlone) {
    QList<std::pair<QString, std::function<void()>>> cases;
    const QDir data(TALLYGLASS_TEST_DATA "/settings/untouched");
    for (const QString& name : data.entryList(QDir::Files))
        cases.append(
            {name, [=] { writeFile(claudeFile("settings.json"), readFile(data.filePath(name))); }});
    const auto settings = [](const QByteArray& bytes) {
        return [=] { writeFile(claudeFile("settings.json"), bytes); };
    };
    const auto path = [](const char* name) { return QFile::encodeName(claudeFile(name)); };
    cases.append({"over 16 MiB", settings(R"({"a":")" + QByteArray(16 << 20, 'x') + R"("})")});
    cases.append({"folder", [] { QDir().mkpath(claudeFile("settings.json")); }});
    cases.append(
        {"link to nowhere", [] { QFile::link(claudeFile("gone"), claudeFile("settings.json")); }});
    cases.append({"fifo", [=] { ::mkfifo(path("settings.json").constData(), 0600); }});
    for (const mode_t mode : {0400u, 0444u})
        cases.append({QString::number(mode, 8), [=] {
                          writeFile(claudeFile("settings.json"), foreignSettings);
                          ::chmod(path("settings.json").constData(), mode);
                      }});
    cases.append({"inner cannot be saved", [] {
                      writeFile(claudeFile("settings.json"), foreignSettings);
                      QFile::remove(claudeFile("statusline-usage.inner"));
                      QDir().mkpath(claudeFile("statusline-usage.inner"));
                  }});
    for (const auto& [name, setUp] : cases) {
        TempHome home;
        writeFile(claudeFile("statusline-usage.inner"), "kept");
        setUp();
        const FileRead before = readRegularFile(claudeFile("settings.json"), 32 << 20);
        install();
        const FileRead after = readRegularFile(claudeFile("settings.json"), 32 << 20);
        EXPECT_EQ(after.bytes, before.bytes) << name.toStdString();
        EXPECT_EQ(after.stamp, before.stamp) << name.toStdString();
        EXPECT_EQ(QFileInfo(claudeFile("statusline-usage.inner")).isDir() ||
                      readFile(claudeFile("statusline-usage.inner")) == "kept",
                  true)
            << name.toStdString();
        EXPECT_EQ(readFile(claudeFile("statusline-usage.js")), script);
    }
    EXPECT_FALSE(QFileInfo::exists(claudeFile("gone")));
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
