#include "sources/codex/codex_home.h"
#include "sources/codex/session_discovery.h"
#include "support/codex_home_builder.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallyglass {
namespace {

std::vector<QString> paths(const QString& codexHome) {
    std::vector<QString> found;
    for (const Candidate& candidate : findCandidates(codexHome))
        found.push_back(QFile::decodeName(candidate.path().c_str()).mid(codexHome.size() + 1));
    return found;
}

TEST(CodexHome, ComesFromTheEnvironmentOrTheHomeFolder) {
    testing::TempHome home;
    const QString cwd = QDir::currentPath();
    const std::pair<const char*, QString> cases[] = {
        {nullptr, home.path() + "/.codex"},
        {"", home.path() + "/.codex"},
        {"~/alt", home.path() + "/alt"},
        {"~", home.path()},
        {"/srv/codex", "/srv/codex"},
        {"rel/codex", cwd + "/rel/codex"},
        {"~root/codex", QFile::decodeName(::getpwnam("root")->pw_dir) + "/codex"},
        {"~no-such-user-here/x", cwd + "/~no-such-user-here/x"},
    };
    for (const auto& [value, expected] : cases) {
        value ? qputenv("CODEX_HOME", value) : qunsetenv("CODEX_HOME");
        EXPECT_EQ(codexHome(), expected) << (value ? value : "(unset)");
    }
}

TEST(SessionDiscovery, FindsVisibleRegularJsonlFilesNewestFirstSessionsBeforeArchiveOnTies) {
    testing::TempHome home;
    testing::CodexHomeBuilder codex(home.filePath(".codex"));
    const QString day = "sessions/2025/12/08/";
    for (const QString& name : QStringList{".x.jsonl", ".hidden/a.jsonl", "notes.txt", "a.JSONL",
                                           "old.jsonl.zst", "jsonl", "b.jsonl/inner.jsonl"})
        ASSERT_FALSE(codex.addFile(day + name, "{}\n", 1765000400).isEmpty());
    for (const QString& name :
         {day + "good.jsonl", day + "newer.jsonl", QStringLiteral("moved-archive/old.jsonl")})
        codex.addFile(name, "{}\n", 1765000500);
    ASSERT_TRUE(testing::setModificationTime(codex.root() + '/' + day + "newer.jsonl", 1765000500,
                                             1)); // a nanosecond later
    codex.addFile("elsewhere/linked.jsonl", "{}\n", 1765000600);
    const auto at = [&codex](const QString& relative) {
        return QFile::encodeName(codex.root() + '/' + relative);
    };
    ASSERT_EQ(::symlink(at("elsewhere"), at(day + "linked-folder")), 0);
    ASSERT_EQ(::symlink(at(day + "good.jsonl"), at(day + "link.jsonl")), 0);
    ASSERT_EQ(::symlink("..", at(day + "loop")), 0);
    ASSERT_EQ(::mkfifo(at(day + "fifo.jsonl"), 0600), 0);
    // The two top folders themselves may be links, as when a user moves the archive.
    ASSERT_EQ(::symlink(at("moved-archive"), at("archived_sessions")), 0);

    const std::vector<Candidate> found = findCandidates(codex.root());
    EXPECT_EQ(paths(codex.root()),
              (std::vector<QString>{day + "newer.jsonl", day + "good.jsonl",
                                    "archived_sessions/old.jsonl", day + "b.jsonl/inner.jsonl"}));
    EXPECT_EQ(found[0].key.modified.time_since_epoch().count(), 1765000500'000000001);
    EXPECT_EQ(found[0].key.size, 3u);

    // An unreadable folder is passed over (root reads it anyway); the rest is still found.
    ASSERT_EQ(::chmod(at(day + "b.jsonl"), 0), 0);
    EXPECT_EQ(paths(codex.root()).size(), ::geteuid() == 0 ? 4u : 3u);
    EXPECT_TRUE(paths(home.filePath("missing")).empty());
}

} // namespace
} // namespace tallyglass
