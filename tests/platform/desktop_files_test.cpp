#include "support/process_run.h"
#include "support/temp_home.h"
#include "ui/menu_bar_icon.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>

using namespace tallyglass;
using namespace tallyglass::testing;

namespace {

// The program installed into a temporary prefix once, with cmake --install, for all cases.
class InstalledLayout : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        prefix = new QTemporaryDir;
        const auto install =
            runProgram(QStringLiteral(TALLYGLASS_CMAKE),
                       {QStringLiteral("--install"), QStringLiteral(TALLYGLASS_BINARY_DIR),
                        QStringLiteral("--prefix"), prefix->path()});
        installed = install.ok();
        installLog = install.standardOutput + install.standardError;
    }
    static void TearDownTestSuite() { delete prefix; }

    void SetUp() override { ASSERT_TRUE(installed) << installLog.toStdString(); }

    static QString file(const QString& relative) { return prefix->filePath(relative); }

    static inline QTemporaryDir* prefix = nullptr;
    static inline bool installed = false;
    static inline QByteArray installLog;
};

TEST_F(InstalledLayout, DesktopFilesGoWhereDesktopsLook) {
    const QString entry = file(QStringLiteral("share/applications/tallyglass.desktop"));
    for (const QString& path :
         {entry, file(QStringLiteral("bin/tallyglass")),
          file(QStringLiteral("share/metainfo/io.github.tallyglass.Tallyglass.metainfo.xml")),
          file(QStringLiteral("share/icons/hicolor/scalable/apps/tallyglass.svg"))})
        EXPECT_TRUE(QFileInfo(path).isFile()) << path.toStdString();

    // The entry names the program by its installed path (a login session's PATH often lacks
    // the prefix's bin folder) and the icon by the name it was installed under.
    const QByteArray text = readFile(entry);
    EXPECT_TRUE(text.contains("\nExec=" + file(QStringLiteral("bin/tallyglass")).toUtf8() + "\n"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("\nIcon=tallyglass\n"));
}

TEST_F(InstalledLayout, DesktopEntryAndMetainfoValidate) {
    const QString desktopValidate =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    const QString appstream = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
    if (desktopValidate.isEmpty() || appstream.isEmpty())
        GTEST_SKIP() << "desktop-file-validate (desktop-file-utils) or appstreamcli (appstream) "
                        "is not installed";
    const auto entry = runProgram(desktopValidate,
                                  {file(QStringLiteral("share/applications/tallyglass.desktop"))});
    EXPECT_TRUE(entry.ok()) << entry.standardOutput.toStdString()
                            << entry.standardError.toStdString();
    // Hints (such as two main categories) are advice; errors and warnings are not.
    EXPECT_FALSE(entry.standardOutput.contains("error:") ||
                 entry.standardOutput.contains("warning:"))
        << entry.standardOutput.toStdString();
    const auto metainfo = runProgram(
        appstream,
        {QStringLiteral("validate"), QStringLiteral("--no-net"),
         file(QStringLiteral("share/metainfo/io.github.tallyglass.Tallyglass.metainfo.xml"))});
    EXPECT_TRUE(metainfo.ok()) << metainfo.standardOutput.toStdString()
                               << metainfo.standardError.toStdString();
}

// The scalable icon is the drawn icon: rasterised, it covers the same pixels.
TEST_F(InstalledLayout, ScalableIconHasTheDrawnGeometry) {
    QSvgRenderer renderer(file(QStringLiteral("share/icons/hicolor/scalable/apps/tallyglass.svg")));
    ASSERT_TRUE(renderer.isValid());
    // Four pixels a unit of the 18-unit view box.
    QImage svg(72, 72, QImage::Format_ARGB32_Premultiplied);
    svg.fill(Qt::transparent);
    QPainter svgPainter(&svg);
    renderer.render(&svgPainter);
    svgPainter.end();

    QImage drawn(72, 72, QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    painter.translate(0, 4); // the 16-unit height centred in 18
    painter.scale(4, 4);
    ASSERT_TRUE(drawMenuBarIcon(&painter));
    painter.end();

    // The two renderers place edges a little differently; any difference away from an edge
    // of the drawn icon is a shape out of place.
    auto opaque = [](const QImage& image, int x, int y) {
        return image.rect().contains(x, y) && qAlpha(image.pixel(x, y)) > 127;
    };
    int offEdge = 0;
    for (int y = 0; y < 72; ++y) {
        for (int x = 0; x < 72; ++x) {
            if (opaque(svg, x, y) == opaque(drawn, x, y))
                continue;
            bool nearEdge = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    nearEdge |= opaque(drawn, x + dx, y + dy) != opaque(drawn, x, y);
            offEdge += !nearEdge;
        }
    }
    EXPECT_EQ(offEdge, 0);
    EXPECT_EQ(qAlpha(svg.pixel(23, 44)), 0) << "left hole";
    EXPECT_EQ(qAlpha(svg.pixel(49, 44)), 0) << "right hole";
    EXPECT_EQ(qAlpha(svg.pixel(36, 44)), 255) << "between the holes";
}

} // namespace
