#include "platform/system/change_notices.h"
#include "sources/codex/codex_usage_source.h"
#include "sources/codex/limit_families.h"
#include "sources/codex/tail_scanning.h"
#include "support/codex_home_builder.h"
#include "support/process_run.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace tallyglass {
namespace {

constexpr std::int64_t day = 1765152000; // 2025-12-08T00:00:00Z

// A session whose last event, at eventTime, reports the five-hour percentage.
std::string session(double eventTime, double percent) {
    return testing::tokenCountLine(eventTime, percent, 50) + '\n';
}

std::optional<double> fiveHour(const std::optional<UsageSnapshot>& snapshot) {
    return snapshot ? snapshot->windows.at("five_hour").usedPercentage : std::nullopt;
}

// Rewrites every occurrence of a text in a file with another of the same length and puts
// the file's time back: only reading the file could show the change.
void replaceKeepingKey(const QString& path, const std::string& from, const std::string& to) {
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);
    ASSERT_EQ(from.size(), to.size());
    std::string bytes = testing::readFile(path).toStdString();
    for (std::size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at))
        bytes.replace(at, from.size(), to);
    ASSERT_TRUE(testing::writeFile(path, QByteArray::fromStdString(bytes)));
    ASSERT_TRUE(testing::setModificationTime(path, before.st_mtim.tv_sec, before.st_mtim.tv_nsec));
}

TEST(CodexUsageSource, FollowsTheHomeWhereverItIsAndItsSessionsFolderOnly) {
    testing::TempHome home;
    CodexUsageSource source;
    EXPECT_FALSE(source.isAvailable());
    EXPECT_FALSE(source.loadSnapshot());
    testing::CodexHomeBuilder codex(home.filePath(".codex")), other(home.filePath("other"));
    codex.addSession(day, session(day + 100, 12), day + 200, true);
    other.addSession(day, session(day + 100, 13), day + 200);
    EXPECT_FALSE(source.isAvailable());
    EXPECT_EQ(fiveHour(source.loadSnapshot()), 12);
    qputenv("CODEX_HOME", QFile::encodeName(other.root()));
    EXPECT_TRUE(source.isAvailable());
    EXPECT_EQ(fiveHour(source.loadSnapshot()), 13);
    qunsetenv("CODEX_HOME");
    EXPECT_EQ(fiveHour(source.loadSnapshot()), 12);
    ASSERT_TRUE(testing::writeFile(codex.root() + "/sessions", "not a folder"));
    EXPECT_FALSE(source.isAvailable());
    ASSERT_TRUE(QFile::remove(codex.root() + "/sessions") &&
                QDir().mkpath(codex.root() + "/sessions"));
    EXPECT_TRUE(source.isAvailable());
}

TEST(CodexUsageSource, UnchangedFilesMeanNoFileIsRead) {
    testing::TempHome home;
    testing::CodexHomeBuilder codex(home.filePath(".codex"));
    const QString older = codex.addSession(day, session(day + 100, 11), day + 1000);
    const QString newest = codex.addSession(day, session(day + 200, 22), day + 2000);
    CodexUsageSource source;
    ASSERT_EQ(fiveHour(source.loadSnapshot()), 22);
    replaceKeepingKey(newest, "\"used_percent\":22.0", "\"used_percent\":33.0");
    replaceKeepingKey(older, "\"used_percent\":11.0", "\"used_percent\":44.0");
    EXPECT_EQ(fiveHour(source.loadSnapshot()), 22);
    EXPECT_EQ(fiveHour(source.loadSnapshot()), 22);
    // Any change of a read file's key causes a full load, not only of the newest one: a log
    // stamped in the future would stay newest while Codex writes elsewhere.
    ASSERT_TRUE(testing::setModificationTime(older, day + 1000, 1));
    EXPECT_EQ(fiveHour(source.loadSnapshot()), 33);

    // An absent reading is cached too, until every file is gone; then the same key, met again,
    // is read afresh. The newest file's event is first hidden by a broken type marker.
    replaceKeepingKey(newest, "\"token_count\",\"info\"", "\"token_c0unt\",\"info\"");
    replaceKeepingKey(older, "\"token_count\",\"info\"", "\"token_c0unt\",\"info\"");
    ASSERT_TRUE(testing::setModificationTime(newest, day + 2000, 2));
    ASSERT_TRUE(QFile::remove(older));
    EXPECT_EQ(source.loadSnapshot(), std::nullopt);
    replaceKeepingKey(newest, "\"token_c0unt\",\"info\"", "\"token_count\",\"info\"");
    EXPECT_EQ(source.loadSnapshot(), std::nullopt);
    const QByteArray bytes = testing::readFile(newest);
    ASSERT_TRUE(QFile::remove(newest));
    EXPECT_EQ(source.loadSnapshot(), std::nullopt);
    ASSERT_TRUE(testing::writeFile(newest, bytes) &&
                testing::setModificationTime(newest, day + 2000, 2));
    EXPECT_EQ(fiveHour(source.loadSnapshot()), 33);
}

std::vector<std::string> keys(const std::vector<Candidate>& candidates) {
    std::vector<std::string> out;
    for (const Candidate& c : candidates)
        out.push_back(c.path() + std::to_string(c.key.modified.time_since_epoch().count()) + ' ' +
                      std::to_string(c.key.size));
    return out;
}

// The reading of the five newest logs by their times, whichever holds the latest event.
std::optional<UsageSnapshot> walkedReading(const QString& home) {
    const std::vector<Candidate> found = findCandidates(home);
    LimitFamilies families;
    for (std::size_t i = 0; i < std::min<std::size_t>(found.size(), 5); ++i)
        families.add(eventsFromFile(found[i]));
    return families.snapshot();
}

// What Codex and its users do to a home, one random step at a time.
class HomeActivity {
public:
    explicit HomeActivity(QString root)
        : m_root(std::move(root)) {}

    void step() {
        const QStringList logs = allLogs();
        const QString any = logs.isEmpty() ? QString() : logs[int(m_random() % logs.size())];
        const QString folder = QStringLiteral("sessions/2025/12/%1").arg(10 + m_random() % 6);
        const int time = int(m_random() % 50); // few distinct times, so ties are common
        switch (logs.isEmpty() ? 0 : m_random() % 8) {
        case 0: // a new log, perhaps in a new day folder
        case 1:
            write(m_root + '/' + folder + QStringLiteral("/r%1.jsonl").arg(++m_serial), time);
            break;
        case 2: // Codex appends an event
            write(any, time, true);
            break;
        case 3:
            testing::setModificationTime(any, day + time);
            break;
        case 4:
            QFile::remove(any);
            break;
        case 5:
            QDir().mkpath(m_root + "/archived_sessions");
            QFile::rename(any, m_root + "/archived_sessions/" + QFileInfo(any).fileName());
            break;
        case 6: // a folder replaced by another of the same name
            QDir(m_root + '/' + folder).removeRecursively();
            write(m_root + '/' + folder + QStringLiteral("/r%1.jsonl").arg(++m_serial), time);
            break;
        default: // what the walk passes over: a linked folder, a hidden log, other files
            QFile::link(m_root + "/sessions/2025", m_root + '/' + folder + "/link");
            write(m_root + '/' + folder + "/.hidden.jsonl", time);
            write(m_root + "/history.jsonl", time);
            break;
        }
    }

    // More notices than the kernel queues (alternating, as it merges repeated ones), then a log
    // whose notice is lost with them: one full walk rebuilds and finds it.
    void storm() {
        const QStringList logs = allLogs();
        const int queued =
            testing::readFile("/proc/sys/fs/inotify/max_queued_events").trimmed().toInt();
        for (int i = 0; i <= std::max(queued, 20'000) && logs.size() > 1; ++i)
            testing::setModificationTime(logs[i % logs.size()], day + i % 7);
        write(m_root + QStringLiteral("/sessions/2025/12/20/r%1.jsonl").arg(++m_serial), 49);
    }

private:
    QStringList allLogs() const {
        QStringList found;
        for (const Candidate& log : findCandidates(m_root))
            found.push_back(QFile::decodeName(log.path().c_str()));
        found.sort();
        return found;
    }

    void write(const QString& path, int time, bool append = false) {
        const double at = day + time + m_random() % 1000 / 1000.0;
        const std::string line = testing::tokenCountLine(at, m_random() % 100, 50);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (file.open(append ? QIODevice::Append : QIODevice::WriteOnly))
            file.write(QByteArray::fromStdString(line + '\n'));
    }

    QString m_root;
    std::mt19937 m_random{20261207};
    int m_serial = 0;
};

TEST(ChangeWatch, ReadsWhatAFreshWalkReadsAfterEveryStepOnceTheHomeAppears) {
    testing::TempHome home;
    const QString root = home.filePath(".codex");
    HomeActivity activity(root);
    ChangeWatch watch;
    const bool notices = ChangeNotices().open(); // none in a build without them: all walks
    CodexUsageSource source;
    EXPECT_TRUE(watch.newest(root, SIZE_MAX).empty()); // the home appears with the first step
    for (int step = 0; step < 300; ++step) {
        step == 150 ? activity.storm() : activity.step();
        ASSERT_EQ(keys(watch.newest(root, SIZE_MAX)), keys(findCandidates(root))) << step;
        ASSERT_EQ(watch.isWatching(), notices) << step;
        ASSERT_EQ(source.loadSnapshot(), walkedReading(root)) << step;
        ASSERT_EQ(source.isAvailable(), QFileInfo(root + "/sessions").isDir()) << step;
    }
}

// What brings no notice: a link on the way to the logs pointed elsewhere, a mount over
// "sessions" or a day folder, and a home on FUSE written to from its other side. In a
// private mount namespace; "h" is the home, linked to "a", and "b" holds a newer log.
TEST(ChangeWatch, FollowsChangesThatBringNoNotice) {
    if (!testing::isInsidePrivateMounts()) {
        testing::TempHome home;
        return testing::rerunInPrivateMounts("true");
    }
    const std::pair<const char*, const char*> rows[] = {
        {"", "ln -s b h.new && mv -T h.new h"},
        {"", "mount --bind b/sessions a/sessions"},
        {"", "mount --bind b/sessions/2025/12/08 a/sessions/2025/12/08"},
        {" && mkdir f && bindfs a f && ln -sfn f h",
         "cp -p b/sessions/2025/12/08/* a/sessions/2025/12/08/"},
    };
    int row = 0;
    for (const auto& [before, change] : rows) {
        const QString folder = qEnvironmentVariable("HOME") + QStringLiteral("/row%1").arg(++row);
        testing::CodexHomeBuilder(folder + "/a").addSession(day, session(day + 100, 10), day + 100);
        testing::CodexHomeBuilder(folder + "/b").addSession(day, session(day + 200, 90), day + 200);
        const QString inFolder = "cd '" + folder + "' && ";
        ASSERT_TRUE(testing::runShell(inFolder + "ln -s a h" + before, {}).ok()) << row;
        qputenv("CODEX_HOME", QFile::encodeName(folder + "/h"));
        CodexUsageSource source;
        EXPECT_EQ(fiveHour(source.loadSnapshot()), 10) << row;
        ASSERT_TRUE(testing::runShell(inFolder + change, {}).ok()) << row;
        EXPECT_EQ(fiveHour(source.loadSnapshot()), 90) << row;
        testing::runShell(inFolder + "umount f 2>/dev/null", {});
    }
}

} // namespace
} // namespace tallyglass
