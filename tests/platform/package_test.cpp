#include "support/process_run.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <unistd.h>

using namespace tallyglass::testing;

namespace {

// Builds the Debian package from this build folder, as a release would, into a temporary
// folder; then looks into it with dpkg's own tools, and validates its desktop entry and
// metainfo. One case, so that cpack runs once.
TEST(DebianPackage, DependsOnItsLibrariesValidatesAndRunsFromUsr) {
    if (QStandardPaths::findExecutable("dpkg-shlibdeps").isEmpty())
        GTEST_SKIP() << "dpkg-shlibdeps (dpkg-dev) is not installed";
    QTemporaryDir out;
    const auto pack = runProgram(
        TALLYGLASS_CPACK,
        {"-G", "DEB", "--config", TALLYGLASS_BINARY_DIR "/CPackConfig.cmake", "-B", out.path()},
        180000);
    const QStringList debs = QDir(out.path()).entryList({"*.deb"}, QDir::Files);
    ASSERT_TRUE(pack.ok() && debs.size() == 1)
        << pack.standardOutput.toStdString() << pack.standardError.toStdString();
    const QString deb = out.filePath(debs.constFirst());
    const auto field = [&](const char* name) {
        return QString::fromUtf8(
            runProgram("dpkg-deb", {"-f", deb, name}).standardOutput.trimmed());
    };
    EXPECT_EQ(field("Package"), "tallyglass");
    const QString depends = field("Depends");
    for (const char* library :
         {"libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6dbus6"})
        EXPECT_TRUE(depends.contains(QLatin1String(library)))
            << library << " missing from: " << depends.toStdString();
    EXPECT_TRUE(field("Recommends").contains("qt6-wayland"));
    EXPECT_FALSE(field("Maintainer").isEmpty());

    // Unpacked, everything is under /usr, the entry names the program there, and the helper's
    // runner is where the status-line helper names it, a path no version may change.
    QTemporaryDir root;
    ASSERT_TRUE(runProgram("dpkg-deb", {"-x", deb, root.path()}).ok());
    EXPECT_EQ(QDir(root.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"usr"});
    EXPECT_FALSE(QFileInfo::exists(root.filePath("usr/local")));
    EXPECT_TRUE(QFileInfo(root.filePath("usr/bin/tallyglass")).isExecutable());
    EXPECT_TRUE(readFile(root.filePath("usr/share/applications/tallyglass.desktop"))
                    .contains("\nExec=/usr/bin/tallyglass\n"));
    EXPECT_TRUE(!TALLYGLASS_HAS_JSRUNNER ||
                QFileInfo(root.filePath("usr/bin/tallyglass-jsrunner")).isExecutable());
    for (const auto& [tool, arguments] :
         {std::pair("desktop-file-validate",
                    QStringList{root.filePath("usr/share/applications/tallyglass.desktop")}),
          std::pair("appstreamcli",
                    QStringList{"validate", "--no-net",
                                root.filePath("usr/share/metainfo/"
                                              "io.github.tallyglass.Tallyglass.metainfo.xml")})}) {
        // Hints (such as two main categories) are advice; errors and warnings are not.
        const auto valid = runProgram(tool, arguments);
        EXPECT_TRUE(valid.ok() && !valid.standardOutput.contains("error:") &&
                    !valid.standardOutput.contains("warning:"))
            << tool << ": " << valid.standardOutput.toStdString()
            << valid.standardError.toStdString();
    }
    TempHome home;
    const auto inspect = runProgram(root.filePath("usr/bin/tallyglass-inspect"), {});
    EXPECT_TRUE(inspect.ok() && inspect.standardOutput.trimmed().startsWith('{'))
        << inspect.standardOutput.toStdString() << inspect.standardError.toStdString();
    if (::geteuid() == 0) {
        // Everything it depends on is there and nothing conflicts; nothing is installed.
        const auto dryRun = runProgram("dpkg", {"--dry-run", "-i", deb});
        EXPECT_TRUE(dryRun.ok()) << dryRun.standardOutput.toStdString()
                                 << dryRun.standardError.toStdString();
    }
}

} // namespace
