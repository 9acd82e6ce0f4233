#include "platform/single_instance.h"
#include "support/event_loop.h"
#include "support/process_run.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace tallyglass {
namespace {

// What an instance that crashed leaves: its socket file and a lock naming a dead process.
TEST(SingleInstance, SecondClaimAsksTheFirstToShowAndLeftoversDoNotBlock) {
    testing::TempHome home;
    const QString folder = home.filePath(QStringLiteral("runtime"));
    ASSERT_TRUE(testing::writeFile(folder + QStringLiteral("/tallyglass.socket"), "left"));
    ASSERT_TRUE(
        testing::writeFile(folder + QStringLiteral("/tallyglass.lock"),
                           "4194303\ntallyglass\n" + QSysInfo::machineHostName().toUtf8() + "\n"));
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    SingleInstance first(folder);
    int shown = 0;
    QObject::connect(&first, &SingleInstance::showRequested, [&] { ++shown; });
    ASSERT_TRUE(first.claim());
    EXPECT_FALSE(SingleInstance(folder).claim());
    EXPECT_TRUE(testing::processEventsUntil([&] { return shown == 1; }));
}

TEST(SingleInstance, OnlyAPrivateFolderOfTheUserIsUsed) {
    testing::TempHome home;
    ASSERT_TRUE(QFile::link(home.filePath(QStringLiteral("private")), home.filePath("link")));
    ASSERT_TRUE(testing::writeFile(home.filePath(QStringLiteral("file")), ""));
    const std::tuple<const char*, mode_t, bool> cases[] = {
        {"missing", 0, true},
        {"private", 0700, true},
        {"group", 0750, false},
        {"anyone", 0777, false},
        {"link", 0, false},
        {"file", 0, false},
        {"sticky, anyone", 01777, false}}; // 0: nothing made beforehand
    for (const auto& [name, mode, usable] : cases) {
        const QString path = home.filePath(QString::fromLatin1(name));
        if (mode) {
            ASSERT_TRUE(QDir().mkpath(path));
            ::chmod(QFile::encodeName(path).constData(), mode);
        }
        EXPECT_EQ(SingleInstance::makePrivateFolder(path), usable) << name;
        // Without a private folder the program still starts, alone or not.
        EXPECT_TRUE(SingleInstance(path).claim()) << name;
    }
    const QString foreign = home.filePath(QStringLiteral("private"));
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(foreign).constData(), 65534, 65534), 0);
        EXPECT_FALSE(SingleInstance::makePrivateFolder(foreign));
    }
}

// Only a lock held by another instance means one runs: a runtime folder that is read-only
// (mounted so in a private mount namespace) or full still lets the program start.
TEST(SingleInstance, ALockThatCannotBeTakenStillStarts) {
    if (!testing::isInsidePrivateMounts()) {
        testing::TempHome home;
        QDir().mkpath(home.filePath("ro"));
        QDir().mkpath(home.filePath("full"));
        return testing::rerunInPrivateMounts(
            R"(mount -t tmpfs -o ro,mode=0700 tmpfs "$HOME/ro" &&
               mount -t tmpfs -o size=4k,mode=0700 tmpfs "$HOME/full" &&
               { head -c 64k /dev/zero > "$HOME/full/fill"; true; })");
    }
    for (const char* name : {"ro", "full"})
        EXPECT_TRUE(SingleInstance(qEnvironmentVariable("HOME") + '/' + name).claim()) << name;
}

} // namespace
} // namespace tallyglass
