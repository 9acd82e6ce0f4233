#include "app/tallyglass_app.h"
#include "support/event_loop.h"
#include "support/fake_clock.h"
#include "support/fake_login_item.h"
#include "support/fake_status_item.h"
#include "support/temp_home.h"
#include "ui/menu_view.h"
#include "ui/panel_style.h"
#include "ui/tray_icon.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPainter>
#include <QTimer>

using namespace tallyglass;
using namespace tallyglass::testing;

namespace {

// The icon as a bar of this colour shows it; the contrast of its most distinct pixel.
double contrastOn(const QColor& bar, const QPixmap& icon) {
    QImage shown(icon.size(), QImage::Format_RGB32);
    shown.fill(bar);
    QPainter(&shown).drawPixmap(0, 0, icon);
    return highestContrast(shown, bar);
}

TEST(TrayIcon, ReadsOnLightAndDarkBarsAtEverySize) {
    // Xfce's and tint2's default bars, GNOME's, Breeze and Breeze Dark, white and black.
    const QColor bars[] = {QColor(0x30, 0x30, 0x30), QColor(Qt::black), QColor(0xef, 0xf0, 0xf1),
                           QColor(0x31, 0x36, 0x3b), QColor(Qt::white), QColor(0x80, 0x80, 0x80)};
    const QIcon icon = trayIcon();
    for (int side : {16, 22, 24, 32, 48, 64}) {
        const QPixmap pixmap = icon.pixmap(QSize(side, side), 1.0);
        ASSERT_EQ(pixmap.size(), QSize(side, side));
        for (const QColor& bar : bars)
            EXPECT_GE(contrastOn(bar, pixmap), 3.0)
                << side << " px on " << bar.name().toStdString();
    }
}

class NoTray : public ::testing::Test {
protected:
    TempHome home;
    FakeStatusItem* tray = nullptr;
    std::unique_ptr<TallyglassApp> app;

    void SetUp() override {
        auto item = std::make_unique<FakeStatusItem>();
        item->shown = false;
        tray = item.get();
        app = std::make_unique<TallyglassApp>(SourceTable{}, std::make_shared<FakeClock>(),
                                              std::move(item), std::make_shared<FakeLoginItem>());
    }
    bool windowOpen() const { return app->panel().isWindowed() && app->panel().isOpen(); }
};

TEST_F(NoTray, WindowStandsInUntilATrayShowsTheItem) {
    processEventsFor(TallyglassApp::trayWaitMs / 2);
    EXPECT_FALSE(app->panel().isOpen());
    ASSERT_TRUE(processEventsUntil([&] { return windowOpen(); }, 5000));
    // A host that starts late, as at login: the window goes by itself.
    tray->shown = true;
    ASSERT_TRUE(processEventsUntil([&] { return !app->panel().isOpen(); }, 5000));
    // A panel that restarts is given time to come back before the window stands in again.
    tray->shown = false;
    processEventsFor(TallyglassApp::trayWaitMs + 500);
    EXPECT_FALSE(app->panel().isOpen());
}

TEST_F(NoTray, WindowOpenedByTheUserStaysWhenTheTrayComes) {
    tray->shown = true;
    app->showPanelWindow();
    processEventsFor(TallyglassApp::trayWaitMs);
    EXPECT_TRUE(windowOpen());
}

TEST_F(NoTray, MenuCommandsOpenThePanelAndQuit) {
    tray->shown = true;
    tray->choose(MenuCommand::openPanel);
    EXPECT_TRUE(app->panel().isOpen());
    EXPECT_FALSE(app->panel().isWindowed());
    tray->choose(MenuCommand::openPanel);
    EXPECT_TRUE(app->panel().isOpen());
    QTimer::singleShot(0, [&] { tray->choose(MenuCommand::quit); });
    QTimer::singleShot(3000, [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

} // namespace
