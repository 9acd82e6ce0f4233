#include "sources/codex/codex_home.h"
#include "sources/codex/session_discovery.h"
#include "support/codex_home_builder.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace tallyglass {
namespace {

std::vector<std::string> relativePaths(const std::vector<Candidate>& candidates,
                                       const QString& root) {
    std::vector<std::string> paths;
    for (const Candidate& candidate : candidates)
        paths.push_back(candidate.path().substr(QFile::encodeName(root).size() + 1));
    return paths;
}

TEST(CodexHome, ComesFromTheEnvironmentOrTheHomeFolder) {
    testing::TempHome home;
    const QString cwd = QDir::currentPath();
    const std::pair<std::optional<QString>, QString> cases[] = {
        {std::nullopt, home.path() + "/.codex"},
        {"", home.path() + "/.codex"},
        {"~/alt", home.path() + "/alt"},
        {"~", home.path()},
        {"/srv/codex", "/srv/codex"},
        {"rel/codex", cwd + "/rel/codex"},
        {"~root/codex", QFile::decodeName(::getpwnam("root")->pw_dir) + "/codex"},
        {"~no-such-user-here/x", cwd + "/~no-such-user-here/x"},
    };
    for (const auto& [value, expected] : cases) {
        if (value)
            qputenv("CODEX_HOME", value->toUtf8());
        else
            qunsetenv("CODEX_HOME");
        EXPECT_EQ(codexHome(), expected) << value.value_or("(unset)").toStdString();
    }
}

TEST(SessionDiscovery, FindsOnlyVisibleRegularJsonlFiles) {
    testing::TempHome home;
    testing::CodexHomeBuilder codex(home.filePath(".codex"));
    const QString day = "sessions/2025/12/08/";
    for (const char* name : {"good.jsonl", ".x.jsonl", ".hidden/a.jsonl", "notes.txt", "a.JSONL",
                             "b.jsonl/inner.jsonl", "old.jsonl.zst", "jsonl"})
        ASSERT_FALSE(codex.addFile(day + name, "{}\n", 1765000000).isEmpty());
    ASSERT_FALSE(codex.addFile("elsewhere/linked.jsonl", "{}\n", 1765000000).isEmpty());
    ASSERT_FALSE(codex.addFile("elsewhere-archive/old.jsonl", "{}\n", 1765000000).isEmpty());
    const auto at = [&codex](const QString& relative) {
        return QFile::encodeName(codex.root() + '/' + relative);
    };
    ASSERT_EQ(::symlink(at("elsewhere").constData(), at(day + "linked-folder").constData()), 0);
    ASSERT_EQ(::symlink(at(day + "good.jsonl").constData(), at(day + "link.jsonl").constData()), 0);
    ASSERT_EQ(::symlink("..", at(day + "loop").constData()), 0);
    ASSERT_EQ(::mkfifo(at(day + "fifo.jsonl").constData(), 0600), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, at(day + "s.jsonl").constData(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    // The two top folders themselves may be links, as when a user moves the archive.
    ASSERT_EQ(::symlink(at("elsewhere-archive").constData(), at("archived_sessions").constData()),
              0);

    std::vector<std::string> found = relativePaths(findCandidates(codex.root()), codex.root());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"archived_sessions/old.jsonl",
                                               "sessions/2025/12/08/b.jsonl/inner.jsonl",
                                               "sessions/2025/12/08/good.jsonl"}));
    ::close(sock);

    // An unreadable folder is passed over (root reads it anyway); the rest is still found.
    ASSERT_EQ(::chmod(at("sessions/2025/12/08/b.jsonl").constData(), 0), 0);
    found = relativePaths(findCandidates(codex.root()), codex.root());
    EXPECT_EQ(found.size(), ::geteuid() == 0 ? 3u : 2u);
    EXPECT_TRUE(findCandidates(home.filePath("missing")).empty());
}

TEST(SessionDiscovery, OrdersNewestFirstWithSessionsBeforeTheArchiveOnTies) {
    testing::TempHome home;
    testing::CodexHomeBuilder codex(home.filePath(".codex"));
    const QString archived = codex.addArchived(1765000000, "{}\n", 1765000500);
    const QString older = codex.addSession(1765000000, "{}\n", 1765000400);
    const QString tied = codex.addSession(1765000100, "{}\n", 1765000500);
    const QString newer = codex.addSession(1765000200, "{}\n", 1765000500);
    ASSERT_TRUE(testing::setModificationTime(newer, 1765000500, 1)); // a nanosecond later

    const std::vector<Candidate> found = findCandidates(codex.root());
    std::vector<QString> order;
    for (const Candidate& candidate : found)
        order.push_back(QFile::decodeName(candidate.path().c_str()));
    EXPECT_EQ(order, (std::vector<QString>{newer, tied, archived, older}));
    EXPECT_EQ(found[0].key.modified.time_since_epoch().count(), 1765000500'000000001);
    EXPECT_EQ(found[0].key.size, 3u);
}

} // namespace
} // namespace tallyglass
