#include "installed_helper.h"

#include "core/home_directory.h"
#include "sources/claude/claude_usage_source.h"
#include "sources/claude/statusline_removal.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include <pwd.h>
#include <unistd.h>

using namespace tallyglass;
using namespace tallyglass::testing;

namespace {

QString reasons(ClaudeUsageSource& source) {
    QStringList all;
    for (const QString& reason : source.diagnosis())
        all << reason;
    return all.join(u' ').replace(claudeFolderPath(), QStringLiteral("~c"));
}

// Available once the Claude folder is there; each missing reading says why.
TEST(ClaudeUsageSource, RejectsAnythingButAWholeDecodableSnapshot) {
    TempHome home;
    ClaudeUsageSource source(testRunnerPath());
    EXPECT_FALSE(source.isAvailable());
    EXPECT_EQ(reasons(source), "The Claude folder ~c does not exist.");
    QDir().mkpath(claudeFolderPath());
    EXPECT_TRUE(source.isAvailable());
    const std::pair<const char*, const char*> cases[] = {
        {"", "No reading yet: ~c/usage_snapshot.json does not exist."},
        {": >", "~c/usage_snapshot.json could not be decoded: not valid JSON at line 1, column 1."},
        {R"(printf '{\n "updated_at": 1,,' >)", "not valid JSON at line 2, column 18."},
        {R"(echo '{"updated_at":1,"windows":{"five_hour":{"used_percentage":"9"}}}' >)",
         "could not be decoded: \"windows.five_hour.used_percentage\" is a string, expected a "
         "number."},
        // A pipe, which opening would wait on for ever.
        {"rm usage_snapshot.json; mkfifo", "~c/usage_snapshot.json could not be read"},
    };
    for (const auto& [setUp, reason] : cases) {
        if (*setUp)
            runShell(QStringLiteral("cd \"$HOME/.claude\"; %1 usage_snapshot.json").arg(setUp), {});
        EXPECT_FALSE(source.loadSnapshot()) << setUp;
        EXPECT_TRUE(reasons(source).contains(reason)) << reasons(source).toStdString();
        EXPECT_TRUE(reasons(source).endsWith("The status-line helper is not installed."));
    }
    writeFile(claudeFile("settings.json"), "{\"a\": 1,}");
    EXPECT_TRUE(reasons(source).endsWith(
        "The status-line helper is not installed. Tallyglass could not add its status-line "
        "helper: ~/.claude/settings.json is not valid JSON (line 1, column 9)."))
        << reasons(source).toStdString();
    EXPECT_EQ(source.prepare().problem, SetupReport::Problem::notJson);
    writeFile(claudeFile("settings.json"), "{}");
    EXPECT_EQ(source.prepare().result, SetupReport::Result::added);
    EXPECT_FALSE(reasons(source).contains("helper"));
}

// Claude Code keeps everything in $CLAUDE_CONFIG_DIR when it is set, and so do the app and
// the helper it installs; ~/.claude is not made. A second account's folder is a source of its
// own, with its own helper, chained command and reading; taking the helper out covers both.
TEST(ClaudeUsageSource, EachFolderHasItsOwnHelperAndReading) {
    TempHome home;
    const QString personalFolder = home.filePath("config/claude"),
                  work = home.filePath("work claude");
    qputenv("CLAUDE_CONFIG_DIR", (personalFolder + "//").toUtf8());
    ASSERT_EQ(addClaudeFolder(work), 2);
    writeFile(work + "/settings.json", R"({"statusLine": {"command": "mine"}})");
    ClaudeUsageSource personal(testRunnerPath()), second(testRunnerPath(), work);
    EXPECT_FALSE(personal.isAvailable());
    personal.prepare();
    second.prepare();
    EXPECT_EQ(claudeFolderPath(), personalFolder);
    EXPECT_EQ(readFile(work + "/statusline-usage.inner"), "mine");
    for (const auto& [folder, figure] : {std::pair{personalFolder, 11}, {work, 22}}) {
        EXPECT_TRUE(installedCommand(folder).contains(folder + "/statusline-usage.js"));
        // As Claude Code runs it for that account.
        const auto run =
            runShell("CLAUDE_CONFIG_DIR='" + folder + "' " + installedCommand(folder),
                     QStringLiteral(R"({"rate_limits":{"five_hour":{"used_percentage":%1}}})")
                         .arg(figure)
                         .toUtf8());
        ASSERT_TRUE(run.ok()) << run.standardError.constData();
    }
    EXPECT_EQ(personal.loadSnapshot()->windows.at("five_hour").usedPercentage, 11);
    EXPECT_EQ(second.loadSnapshot()->windows.at("five_hour").usedPercentage, 22);
    EXPECT_EQ(removalFailureText(takeHelperOut()), QString());
    EXPECT_EQ(installedCommand(work), "mine");
    for (const QString& folder : {personalFolder, work})
        EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"settings.json"});
    EXPECT_FALSE(QFileInfo::exists(home.filePath(".claude")));
    qputenv("CLAUDE_CONFIG_DIR", "relative/claude");
    EXPECT_EQ(claudeFolderPath(), home.filePath(".claude"));
}

// The app and the runner, which links the same function, agree on the home folder.
TEST(HomeDirectory, IsAnAbsoluteHomeElseThePasswordEntry) {
    TempHome home; // restores HOME
    const std::string entry = ::getpwuid(::getuid())->pw_dir;
    const std::pair<const char*, std::string> cases[] = {
        {"/h/x//", "/h/x"}, {"/h/\xff", entry}, {"", entry}, {"rel", entry}, {nullptr, entry}};
    for (const auto& [value, expected] : cases) {
        value ? qputenv("HOME", value) : qunsetenv("HOME");
        EXPECT_EQ(homeDirectory(), expected) << (value ? value : "unset");
        EXPECT_EQ(QFile::encodeName(claudeFolderPath()).toStdString(), expected + "/.claude");
    }
}

} // namespace
