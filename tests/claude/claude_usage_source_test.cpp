#include "installed_helper.h"

#include "core/home_directory.h"
#include "sources/claude/claude_usage_source.h"

#include <gtest/gtest.h>

#include <QDir>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tallyglass;
using namespace tallyglass::testing;

namespace {

TEST(ClaudeUsageSource, ReadsOnlyAWholeDecodableSnapshot) {
    TempHome home;
    ClaudeUsageSource source(testRunnerPath());
    EXPECT_FALSE(source.isAvailable());
    EXPECT_FALSE(source.loadSnapshot());

    QDir().mkpath(claudeFolderPath());
    EXPECT_FALSE(source.isAvailable());

    for (const QByteArray& bytes :
         {QByteArray(""), QByteArray("not json"), QByteArray(R"({"model":"Opus","windows":{}})")}) {
        writeFile(snapshotFilePath(), bytes);
        EXPECT_TRUE(source.isAvailable()) << bytes.constData();
        EXPECT_FALSE(source.loadSnapshot()) << bytes.constData();
    }

    writeFile(
        snapshotFilePath(),
        R"({"updated_at":1700000000.5,"model":"Opus","windows":{"five_hour":{"used_percentage":42}}})");
    // The path starts at the home folder, wherever the process stands.
    QDir::setCurrent(QDir::rootPath());
    EXPECT_EQ(source.loadSnapshot(),
              (UsageSnapshot{1700000000.5, "Opus", {}, {{"five_hour", {42.0, {}, {}}}}}));

    // Opening a pipe would wait for a writer for ever.
    QFile::remove(snapshotFilePath());
    ASSERT_EQ(::mkfifo(QFile::encodeName(snapshotFilePath()).constData(), 0600), 0);
    EXPECT_FALSE(source.loadSnapshot());
}

// The app and the runner, which links the same function, agree on the home folder.
TEST(HomeDirectory, IsAnAbsoluteHomeElseThePasswordEntry) {
    const std::string entry = ::getpwuid(::getuid())->pw_dir;
    const std::pair<std::optional<QByteArray>, std::string> cases[] = {
        {"/h/x//", "/h/x"}, {"/h/\xff", "/h/\xff"}, {"", entry}, {"rel", entry}, {{}, entry},
    };
    const QByteArray saved = qgetenv("HOME");
    for (const auto& [home, expected] : cases) {
        home ? qputenv("HOME", *home) : qunsetenv("HOME");
        EXPECT_EQ(homeDirectory(), expected) << home.value_or("unset").constData();
        if (QByteArray(expected.c_str()).isValidUtf8()) {
            EXPECT_EQ(claudeFolderPath(), QString::fromStdString(expected + "/.claude"));
        }
    }
    qputenv("HOME", saved);
}

} // namespace
