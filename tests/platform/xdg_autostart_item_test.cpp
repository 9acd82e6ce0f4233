#include "platform/linux/xdg_autostart_item.h"
#include "support/temp_home.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

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

TEST_F(XdgAutostartTest, RegisterWritesOurEntryAndUnregisterRemovesIt) {
    XdgAutostartItem item(program());
    EXPECT_EQ(XdgAutostartItem::entryPath(), entry());
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);

    EXPECT_EQ(item.registerItem(), std::nullopt);
    EXPECT_EQ(item.status(), LoginItemStatus::enabled);
    const QByteArray written = readFile(entry());
    EXPECT_TRUE(written.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(written.contains("\nExec=" + program().toUtf8() + "\n"));
    EXPECT_TRUE(written.contains("\nX-Tallyglass-Autostart=true\n"));
    // Written in place atomically: no temporary file is left beside it.
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
         QByteArray(ours).replace("X-GNOME-Autostart-enabled=true",
                                  "X-GNOME-Autostart-enabled=false"),
         LoginItemStatus::requiresApproval},
        {"program gone", XdgAutostartItem::entryContents(home.filePath("gone/tallyglass")),
         LoginItemStatus::notFound},
        {"foreign", "[Desktop Entry]\nType=Application\nExec=/usr/bin/tallyglass\n",
         LoginItemStatus::notRegistered},
        {"marker in another group",
         "[Desktop Entry]\nExec=x\n[Other]\nX-Tallyglass-Autostart=true\n",
         LoginItemStatus::notRegistered},
        {"binary", QByteArray("\0\xff\xfe[Desktop", 10), LoginItemStatus::notRegistered},
    };
    XdgAutostartItem item(program());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(writeFile(entry(), c.contents));
        EXPECT_EQ(item.status(), c.status);
    }
}

TEST_F(XdgAutostartTest, ForeignEntryIsNeverTouched) {
    const QByteArray foreign = "[Desktop Entry]\nType=Application\nExec=/usr/bin/other\n";
    ASSERT_TRUE(writeFile(entry(), foreign));
    XdgAutostartItem item(program());
    const auto registerError = item.registerItem();
    ASSERT_TRUE(registerError);
    EXPECT_TRUE(registerError->contains(entry()));
    EXPECT_TRUE(item.unregisterItem().has_value());
    EXPECT_EQ(readFile(entry()), foreign);
}

TEST_F(XdgAutostartTest, PathsWithSpacesSurviveTheExecQuoting) {
    const QString spaced = program(QStringLiteral("my tally$glass"));
    EXPECT_EQ(desktopExecArgument(QStringLiteral("/usr/bin/tallyglass")),
              QStringLiteral("/usr/bin/tallyglass"));
    EXPECT_EQ(desktopExecArgument(QStringLiteral("/opt/a b/100%")),
              QStringLiteral("\"/opt/a b/100%%\""));
    EXPECT_EQ(desktopExecArgument(QStringLiteral("/opt/$x")), QStringLiteral("\"/opt/\\\\$x\""));
    XdgAutostartItem item(spaced);
    ASSERT_EQ(item.registerItem(), std::nullopt);
    EXPECT_EQ(item.status(), LoginItemStatus::enabled);
}

TEST_F(XdgAutostartTest, FailuresAreDescribed) {
    XdgAutostartItem unknown(home.filePath("nowhere/tallyglass"));
    EXPECT_TRUE(unknown.registerItem().has_value());
    EXPECT_FALSE(QFile::exists(entry()));

    // A file where the autostart folder should be: the folder cannot be made.
    ASSERT_TRUE(writeFile(home.filePath(".config/autostart"), "not a folder"));
    XdgAutostartItem item(program());
    const auto error = item.registerItem();
    ASSERT_TRUE(error);
    EXPECT_FALSE(error->isEmpty());
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
}

TEST_F(XdgAutostartTest, ConfigHomeFallsBackToDotConfig) {
    for (const char* value : {"", "relative/path"}) {
        qputenv("XDG_CONFIG_HOME", value);
        EXPECT_EQ(XdgAutostartItem::entryPath(),
                  QDir::homePath() + QStringLiteral("/.config/autostart/tallyglass.desktop"));
    }
}

} // namespace
} // namespace tallyglass
