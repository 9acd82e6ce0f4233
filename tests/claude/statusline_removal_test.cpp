#include "installed_helper.h"

#include "sources/claude/claude_usage_source.h"
#include "sources/claude/statusline_removal.h"

#include <gtest/gtest.h>

using namespace tallyglass;
using namespace tallyglass::testing;

namespace {

// Escaped as the settings writer writes strings.
QByteArray written(const QByteArray& text) {
    return QByteArray::fromStdString(nlohmann::json(text.toStdString()).dump()).replace("/", "\\/");
}

// Real settings with the user's own command, installed over, then taken out: the command comes
// back byte for byte, and every other byte is as the installation left it. Without an own
// command "statusLine" goes. The helper's files go; the installation adds nothing afterwards.
TEST(StatuslineRemoval, GivesBackTheUsersCommand) {
    const QByteArray typical = readFile(TALLYGLASS_TEST_DATA "/settings/typical.json");
    for (const QByteArray& before : {typical, QByteArray(R"({"theme":"dark"})")}) {
        TempHome home;
        writeFile(claudeFile("settings.json"), before);
        ClaudeUsageSource source(testRunnerPath());
        source.prepare();
        const QByteArray installed = readFile(claudeFile("settings.json"));
        const QByteArray helper = written(installedCommand().toUtf8());
        writeFile(claudeFile("usage_snapshot.json"), "{}");

        EXPECT_EQ(ClaudeHelperSwitch().remove(), std::nullopt);
        const auto own = nlohmann::json::parse(before.toStdString())["statusLine"];
        QByteArray expected = installed;
        if (own.is_null())
            expected = R"({
  "theme": "dark"
})";
        else
            expected.replace(helper, written(QByteArray::fromStdString(own["command"])));
        EXPECT_EQ(readFile(claudeFile("settings.json")), expected);
        EXPECT_EQ(QDir(claudeFolderPath()).entryList(QDir::Files), QStringList{"settings.json"});

        source.prepare();
        EXPECT_EQ(readFile(claudeFile("settings.json")), expected);
        ClaudeHelperSwitch().allow();
        source.prepare();
        EXPECT_EQ(readFile(claudeFile("settings.json")), installed);
    }
}

// Settings that cannot be put back keep every file, the user's chained command above all, and
// the helper stays wanted; a command the user set since is theirs, and only the helper's files go.
TEST(StatuslineRemoval, KeepsWhatCannotBePutBack) {
    const struct {
        const char* settings;
        const char* inner;
        HelperRemoval result;
    } cases[] = {
        {R"({"statusLine":{"command":"x statusline-usage.js"},)", "mine",
         HelperRemoval::unusableSettings},
        {R"({"statusLine":{"command":"x statusline-usage.js"}})", nullptr,
         HelperRemoval::unusableSettings},
        {R"({"statusLine":{"command":"x statusline-usage.js"}})", "\xff",
         HelperRemoval::unusableSettings},
        {R"({"statusLine":{"command":"theirs"}})", "mine", HelperRemoval::removed},
    };
    for (const auto& [settings, inner, result] : cases) {
        TempHome home;
        writeFile(claudeFile("settings.json"), settings);
        writeFile(claudeFile("statusline-usage.js"), "script");
        if (inner)
            writeFile(claudeFile("statusline-usage.inner"), inner);
        else
            QDir().mkpath(claudeFile("statusline-usage.inner"));
        const auto removals = takeHelperOut();
        ASSERT_EQ(removals.size(), 1u);
        EXPECT_EQ(removals[0].removal, result) << settings;
        EXPECT_EQ(readFile(claudeFile("settings.json")), settings);
        const bool kept = result != HelperRemoval::removed;
        EXPECT_EQ(isHelperWanted(), kept) << settings; // still named, so still wanted
        EXPECT_EQ(QFileInfo::exists(claudeFile("statusline-usage.js")), kept) << settings;
        EXPECT_EQ(QFileInfo::exists(claudeFile("statusline-usage.inner")), kept) << settings;
        if (inner && kept) {
            EXPECT_EQ(readFile(claudeFile("statusline-usage.inner")), inner) << settings;
        }
    }
}

} // namespace
