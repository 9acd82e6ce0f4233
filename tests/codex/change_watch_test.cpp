#include "sources/codex/change_watch.h"
#include "sources/codex/codex_usage_source.h"
#include "sources/codex/limit_families.h"
#include "sources/codex/tail_scanning.h"
#include "support/codex_home_builder.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <random>
#include <unistd.h>

namespace tallyglass {
namespace {

constexpr double start = 1765152000; // 2025-12-08T00:00:00Z

std::vector<std::string> keys(const std::vector<Candidate>& candidates) {
    std::vector<std::string> out;
    for (const Candidate& c : candidates)
        out.push_back(c.path() + std::to_string(c.key.modified.time_since_epoch().count()) + ' ' +
                      std::to_string(c.key.size));
    return out;
}

std::optional<UsageSnapshot> walkedReading(const QString& home) {
    const std::vector<Candidate> found = findCandidates(home);
    LimitFamilies families;
    for (std::size_t i = 0; i < std::min(found.size(), CodexUsageSource::filesRead); ++i)
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
        const QString day = QStringLiteral("sessions/2025/12/%1").arg(10 + m_random() % 6);
        const int time = int(m_random() % 50); // few distinct times, so ties are common
        switch (logs.isEmpty() ? 0 : m_random() % 8) {
        case 0: // a new log, perhaps in a new day folder
        case 1:
            write(m_root + '/' + day + QStringLiteral("/r%1.jsonl").arg(++m_serial), time);
            break;
        case 2: // Codex appends an event
            write(any, time, true);
            break;
        case 3:
            testing::setModificationTime(any, std::int64_t(start) + time);
            break;
        case 4:
            QFile::remove(any);
            break;
        case 5:
            QDir().mkpath(m_root + "/archived_sessions");
            QFile::rename(any, m_root + "/archived_sessions/" + QFileInfo(any).fileName());
            break;
        case 6: // a folder replaced by another of the same name
            QDir(m_root + '/' + day).removeRecursively();
            write(m_root + '/' + day + QStringLiteral("/r%1.jsonl").arg(++m_serial), time);
            break;
        default: // what the walk passes over: a linked folder, a hidden log, other files
            ::symlink(QFile::encodeName(m_root + "/sessions/2025").constData(),
                      QFile::encodeName(m_root + '/' + day + "/link").constData());
            write(m_root + '/' + day + "/.hidden.jsonl", time);
            write(m_root + "/history.jsonl", time);
            break;
        }
    }

    // More notices than the kernel queues: one full walk rebuilds.
    void storm() {
        const QStringList logs = allLogs();
        for (int i = 0; i < 20'000 && logs.size() > 1; ++i)
            testing::setModificationTime(logs[i % logs.size()], std::int64_t(start) + i % 7);
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
        const double at = start + time + m_random() % 1000 / 1000.0;
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
    CodexUsageSource source;
    EXPECT_TRUE(watch.newest(root, SIZE_MAX).empty()); // the home appears with the first step
    for (int step = 0; step < 300; ++step) {
        step == 150 ? activity.storm() : activity.step();
        ASSERT_EQ(keys(watch.newest(root, SIZE_MAX)), keys(findCandidates(root))) << step;
        ASSERT_TRUE(watch.isWatching()) << step;
        ASSERT_EQ(source.loadSnapshot(), walkedReading(root)) << step;
        ASSERT_EQ(source.isAvailable(), QFileInfo(root + "/sessions").isDir()) << step;
    }
}

} // namespace
} // namespace tallyglass
