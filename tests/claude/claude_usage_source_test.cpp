#include "installed_helper.h"

#include "core/home_directory.h"
#include "sources/claude/claude_usage_source.h"

#include <gtest/gtest.h>

#include <QDir>

#include <pwd.h>
#include <unistd.h>

using namespace tallyglass;
using namespace tallyglass::testing;

namespace {

TEST(ClaudeUsageSource, RejectsAnythingButAWholeDecodableSnapshot) {
    TempHome home;
    ClaudeUsageSource source(testRunnerPath());
    QDir().mkpath(claudeFolderPath());
    EXPECT_FALSE(source.isAvailable());
    EXPECT_FALSE(source.loadSnapshot());
    // The last is a pipe, which opening would wait on for ever.
    for (const char* setUp : {": >", "rm usage_snapshot.json; mkfifo"}) {
        runShell(QStringLiteral("cd \"$HOME/.claude\"; %1 usage_snapshot.json").arg(setUp), {});
        EXPECT_TRUE(source.isAvailable()) << setUp;
        EXPECT_FALSE(source.loadSnapshot()) << setUp;
    }
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
