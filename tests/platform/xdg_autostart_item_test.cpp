#include "platform/linux/xdg_autostart_item.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace tallyglass {
namespace {

using testing::readFile;
using testing::writeFile;

class XdgAutostartTest : public ::testing::Test {
protected:
    QString entry() const { return home.filePath(".config/autostart/tallyglass.desktop"); }

    // An executable that exists, standing in for the installed program.
    QString program(const QString& name = QStringLiteral("tallyglass")) const {
        const QString path = home.filePath(QStringLiteral("bin/") + name);
        writeFile(path, "#!/bin/sh\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    testing::TempHome home;
};

TEST_F(XdgAutostartTest, RegisterWritesOurEntryByPathAndUnregisterRemovesIt) {
    const QString spaced = program(QStringLiteral("my tally$glass 100%"));
    XdgAutostartItem item(spaced);
    EXPECT_EQ(item.registerItem(), std::nullopt);
    EXPECT_EQ(item.status(), LoginItemStatus::enabled);
    EXPECT_TRUE(readFile(entry()).contains("\nExec=\"" + home.path().toUtf8() +
                                           "/bin/my tally\\\\$glass 100%%\"\n"));
    EXPECT_EQ(QDir(QFileInfo(entry()).path()).entryList(QDir::Files).size(), 1);
    EXPECT_EQ(item.unregisterItem(), std::nullopt);
    EXPECT_FALSE(QFile::exists(entry()));
    EXPECT_EQ(item.unregisterItem(), std::nullopt);
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
}

TEST_F(XdgAutostartTest, StatusReadsWhatTheDesktopDidToTheEntry) {
    const QByteArray ours = XdgAutostartItem::entryContents(program());
    const struct {
        const char* name;
        QByteArray contents;
        LoginItemStatus status;
    } cases[] = {
        {"ours", ours, LoginItemStatus::enabled},
        {"hidden", ours + "Hidden=true\n", LoginItemStatus::requiresApproval},
        {"switched off in GNOME",
         QByteArray(ours).replace("Autostart-enabled=true", "Autostart-enabled=false"),
         LoginItemStatus::requiresApproval},
        {"program gone", XdgAutostartItem::entryContents(home.filePath("gone/tallyglass")),
         LoginItemStatus::notFound},
        {"foreign", "[Desktop Entry]\nExec=/usr/bin/tallyglass\n", LoginItemStatus::notRegistered},
        {"marker in another group", "[Desktop Entry]\n[Other]\nX-Tallyglass-Autostart=true\n",
         LoginItemStatus::notRegistered},
        {"binary", QByteArray("\0\xff\xfe[Desktop", 10), LoginItemStatus::notRegistered},
    };
    XdgAutostartItem item(program());
    for (const auto& c : cases) {
        ASSERT_TRUE(writeFile(entry(), c.contents));
        EXPECT_EQ(item.status(), c.status) << c.name;
    }
}

TEST_F(XdgAutostartTest, ForeignEntriesAndFailuresAreDescribedAndTouchNothing) {
    const QByteArray foreign = "[Desktop Entry]\nType=Application\nExec=/usr/bin/other\n";
    ASSERT_TRUE(writeFile(entry(), foreign));
    XdgAutostartItem item(program());
    EXPECT_TRUE(item.registerItem().value_or(QString()).contains(entry()));
    EXPECT_TRUE(item.unregisterItem().has_value());
    EXPECT_EQ(readFile(entry()), foreign);
    QFile::remove(entry());
    EXPECT_TRUE(XdgAutostartItem(home.filePath("nowhere/tallyglass")).registerItem());

    // A FIFO in the entry's place: reading it must not wait for a writer. Past a deadline the
    // test opens it as one, so a regression fails instead of hanging.
    ASSERT_EQ(::mkfifo(QFile::encodeName(entry()).constData(), 0600), 0);
    auto calls = std::async(std::launch::async, [&item] {
        return std::pair{item.status(), item.registerItem()};
    });
    const bool returned = calls.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
    while (calls.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
        ::close(::open(QFile::encodeName(entry()).constData(), O_WRONLY | O_NONBLOCK));
    EXPECT_TRUE(returned);
    const auto [status, error] = calls.get();
    EXPECT_EQ(status, LoginItemStatus::notRegistered);
    EXPECT_TRUE(error.has_value());
    EXPECT_TRUE(QFileInfo::exists(entry()) && !QFileInfo(entry()).isFile());
    QFile::remove(entry());

    // A file where the autostart folder should be: the folder cannot be made.
    ASSERT_TRUE(QDir(home.filePath(".config/autostart")).removeRecursively());
    ASSERT_TRUE(writeFile(home.filePath(".config/autostart"), "not a folder"));
    EXPECT_FALSE(item.registerItem().value_or(QString()).isEmpty());
    for (const char* value : {"", "relative/path"}) {
        qputenv("XDG_CONFIG_HOME", value);
        EXPECT_EQ(XdgAutostartItem::entryPath(), entry());
    }
}

} // namespace
} // namespace tallyglass
