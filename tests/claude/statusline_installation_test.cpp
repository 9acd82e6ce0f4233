#include "installed_helper.h"

#include "sources/claude/statusline_script.h"

#include <gtest/gtest.h>

#include <QFile>

#include <sys/stat.h>

#include <cmath>

#include <optional>
#include <random>

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

TEST(StatuslineInstallation, MakesTheClaudeFolder) {
    TempHome home;
    install();
    EXPECT_EQ(settingsJson(), Json({{"statusLine", helperStatusLine}}));
    EXPECT_FALSE(QFileInfo::exists(claudeFile("statusline-usage.inner")));
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
// that still exists, or a command of another form, is left alone.
TEST(StatuslineInstallation, RepointsOurCommandWhenItsRunnerIsGone) {
    TempHome home;
    const QString current = statuslineCommand(testRunnerPath(), statuslineScriptPath());
    const QString gone = statuslineCommand(QStringLiteral("/gone/my build/tallyglass-jsrunner"),
                                           statuslineScriptPath());
    const QString living = statuslineCommand(QStringLiteral("/bin/sh"), statuslineScriptPath());
    for (const QString& earlier : {gone, living, gone + QStringLiteral(" --x")}) {
        const Json before = {
            {"model", "opus"},
            {"statusLine",
             {{"type", "command"}, {"command", earlier.toStdString()}, {"padding", 2}}}};
        writeFile(claudeFile("settings.json"), QByteArray::fromStdString(before.dump()));
        writeFile(claudeFile("statusline-usage.inner"), "my-line");
        installStatuslineHelper(claudeFolderPath(), current);
        Json expected = before;
        if (earlier == gone)
            expected["statusLine"]["command"] = current.toStdString();
        EXPECT_EQ(settingsJson(), expected) << earlier.toStdString();
        EXPECT_EQ(readFile(claudeFile("statusline-usage.inner")), "my-line");
    }
}

// Random settings objects: whatever they hold, every member but "statusLine" keeps its value.
Json randomValue(std::mt19937& random, int depth) {
    const char* texts[] = {"", "a/b", "\xC3\xA9\\\"", "statusline-usage.py", "\xF0\x9F\x9A\x80 x",
                           "/"};
    switch (random() % (depth > 3 ? 6 : 8)) {
    case 0:
        return nullptr;
    case 1:
        return random() % 2 == 0;
    case 2:
        return static_cast<std::int64_t>(random()) - (1ll << 31);
    case 3:
        return std::ldexp(static_cast<double>(random()), static_cast<int>(random() % 80) - 40);
    case 4:
        return texts[random() % std::size(texts)];
    case 5:
        return random() % 2 ? Json::array() : Json::object();
    case 6: {
        Json array = Json::array();
        for (unsigned i = random() % 4; i > 0; --i)
            array.push_back(randomValue(random, depth + 1));
        return array;
    }
    default: {
        Json object = Json::object();
        for (unsigned i = random() % 5; i > 0; --i)
            object[std::string(texts[random() % std::size(texts)]) + std::to_string(i)] =
                randomValue(random, depth + 1);
        return object;
    }
    }
}

TEST(StatuslineInstallation, KeepsEveryOtherMemberOfGeneratedSettings) {
    std::mt19937 random(2024);
    for (int i = 0; i < 150; ++i) {
        TempHome home;
        Json settings = randomValue(random, 0);
        if (!settings.is_object())
            settings = {{"value", settings}};
        if (random() % 2)
            settings["statusLine"] = {{"command", randomValue(random, 3)}, {"x", 1}};
        writeFile(claudeFile("settings.json"), QByteArray::fromStdString(settings.dump()));
        install();
        Json after = settingsJson();
        ASSERT_TRUE(after.is_object()) << settings.dump();
        EXPECT_EQ(after["statusLine"], helperStatusLine);
        after.erase("statusLine");
        settings.erase("statusLine");
        EXPECT_EQ(after, settings);
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
    for (const auto& [runner, script, expected] : cases)
        EXPECT_EQ(statuslineCommand(runner, script), expected);
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
