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
// folder; then looks into it with dpkg's own tools.
class DebianPackage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QStandardPaths::findExecutable(QStringLiteral("dpkg-shlibdeps")).isEmpty()) {
            missing = "dpkg-shlibdeps (dpkg-dev) is not installed";
            return;
        }
        out = new QTemporaryDir;
        const auto pack =
            runProgram(QStringLiteral(TALLYGLASS_CPACK),
                       {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                        QStringLiteral(TALLYGLASS_BINARY_DIR "/CPackConfig.cmake"),
                        QStringLiteral("-B"), out->path()},
                       180000);
        log = pack.standardOutput + pack.standardError;
        const auto debs = QDir(out->path()).entryList({QStringLiteral("*.deb")}, QDir::Files);
        if (pack.ok() && debs.size() == 1)
            deb = out->filePath(debs.constFirst());
    }
    static void TearDownTestSuite() { delete out; }

    void SetUp() override {
        if (missing)
            GTEST_SKIP() << missing;
        ASSERT_FALSE(deb.isEmpty()) << log.toStdString();
    }

    static QString field(const char* name) {
        return QString::fromUtf8(
            runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, QLatin1String(name)})
                .standardOutput.trimmed());
    }

    static inline const char* missing = nullptr;
    static inline QTemporaryDir* out = nullptr;
    static inline QString deb;
    static inline QByteArray log;
};

TEST_F(DebianPackage, DependsOnTheLibrariesItLinks) {
    EXPECT_EQ(field("Package"), QStringLiteral("tallyglass"));
    const QString depends = field("Depends");
    for (const char* library :
         {"libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6dbus6"})
        EXPECT_TRUE(depends.contains(QLatin1String(library)))
            << library << " missing from: " << depends.toStdString();
    EXPECT_TRUE(field("Recommends").contains(QStringLiteral("qt6-wayland")));
    EXPECT_FALSE(field("Maintainer").isEmpty());
}

TEST_F(DebianPackage, InstallsUnderUsrWithStablePaths) {
    const QString listing = QString::fromUtf8(
        runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), deb}).standardOutput);
    QStringList expected{
        QStringLiteral("./usr/bin/tallyglass"),
        QStringLiteral("./usr/share/applications/tallyglass.desktop"),
        QStringLiteral("./usr/share/metainfo/io.github.tallyglass.Tallyglass.metainfo.xml"),
        QStringLiteral("./usr/share/icons/hicolor/scalable/apps/tallyglass.svg")};
    // The helper's runner, where this build has one: the statusline helper names it by its
    // full path, which must not change from one version to the next.
    if (TALLYGLASS_HAS_JSRUNNER)
        expected.append(QStringLiteral("./usr/bin/tallyglass-jsrunner"));
    for (const QString& path : expected)
        EXPECT_TRUE(listing.contains(path + QLatin1Char('\n'))) << path.toStdString();
    EXPECT_FALSE(listing.contains(QStringLiteral("/usr/local"))) << listing.toStdString();
}

TEST_F(DebianPackage, UnpackedProgramRuns) {
    QTemporaryDir root;
    ASSERT_TRUE(
        runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, root.path()}).ok());
    TempHome home;
    const auto inspect =
        runProgram(root.filePath(QStringLiteral("usr/bin/tallyglass-inspect")), {});
    ASSERT_TRUE(inspect.ok()) << inspect.standardError.toStdString();
    EXPECT_TRUE(inspect.standardOutput.trimmed().startsWith('{'))
        << inspect.standardOutput.toStdString();
    EXPECT_TRUE(readFile(root.filePath(QStringLiteral("usr/share/applications/tallyglass.desktop")))
                    .contains("\nExec=/usr/bin/tallyglass\n"));
    if (::geteuid() == 0) {
        // Everything it depends on is there and nothing conflicts; nothing is installed.
        const auto dryRun = runProgram(QStringLiteral("dpkg"),
                                       {QStringLiteral("--dry-run"), QStringLiteral("-i"), deb});
        EXPECT_TRUE(dryRun.ok()) << dryRun.standardOutput.toStdString()
                                 << dryRun.standardError.toStdString();
    }
}

} // namespace
