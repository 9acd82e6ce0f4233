#include "support/contrast.h"
#include "ui/date_texts.h"
#include "ui/panel_style.h"
#include "ui/usage_bar.h"
#include "ui/usage_row.h"

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include <limits>

namespace tallyglass {
namespace {

constexpr double now = 1'796'461'200; // Dec 5, 2026, 9:00 AM UTC (the tests run with TZ=UTC)
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// ICU puts a narrow no-break space before AM/PM; compare with plain spaces.
QString plain(QString text) {
    return text.replace(QChar(0x202F), u' ').replace(QChar(0x00A0), u' ');
}

TEST(UsageRow, FigureColourBarAndResetLine) {
    const struct {
        std::optional<UsageWindow> window;
        const char* percent;
        double barValue;
        SystemColor colour;
        const char* reset; // nullptr: no reset line
    } cases[] = {
        {UsageWindow{69.9, now + 7200, 300}, "70%", 69.9, SystemColor::green,
         "Resets in 2 hours (Dec 5, 2026, 11:00 AM)"},
        {UsageWindow{70, now - 300, {}}, "70%", 70, SystemColor::orange,
         "Resets 5 minutes ago (Dec 5, 2026, 8:55 AM)"},
        {UsageWindow{89.99, {}, {}}, "90%", 89.99, SystemColor::orange, nullptr},
        {UsageWindow{90, {}, {}}, "90%", 90, SystemColor::red, nullptr},
        {UsageWindow{120, {}, {}}, "120%", 100, SystemColor::red, nullptr},
        {UsageWindow{-5, {}, {}}, "-5%", 0, SystemColor::green, nullptr},
        {UsageWindow{nan, {}, {}}, "no data", 0, SystemColor::gray, nullptr},
        {UsageWindow{{}, now + 60, {}}, "no data", 0, SystemColor::gray,
         "Resets in 1 minute (Dec 5, 2026, 9:01 AM)"},
        {std::nullopt, "no data", 0, SystemColor::gray, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.percent);
        UsageRow row(QStringLiteral("Current session (5h)"), c.window, now);
        const auto* percent = row.findChild<QLabel*>(QStringLiteral("usagePercent"));
        const auto* bar = row.findChild<UsageBar*>(QStringLiteral("usageBar"));
        const auto* reset = row.findChild<QLabel*>(QStringLiteral("usageReset"));
        EXPECT_EQ(percent->text(), QString::fromLatin1(c.percent));
        EXPECT_DOUBLE_EQ(bar->value(), c.barValue);
        EXPECT_EQ(bar->tint(), systemColor(c.colour, row.palette()));
        EXPECT_EQ(percent->palette().color(QPalette::WindowText), bar->tint());
        EXPECT_EQ(reset ? plain(reset->text()) : QString(), QString::fromLatin1(c.reset));
    }
}

// The tinted pixels across the middle of a 160 pixel bar: none at 0, a round mark for the
// smallest share, the whole track at 100.
TEST(UsageBar, ShowsEvenTheSmallestShare) {
    const std::tuple<double, int, int> cases[] = {
        {0, 0, 0}, {0.4, 3, UsageBar::barHeight}, {50, 78, 82}, {100, 156, 160}};
    for (const auto& [percentage, fewest, most] : cases) {
        UsageBar bar;
        bar.resize(160, UsageBar::barHeight);
        bar.setTint(Qt::red);
        bar.setPercentage(percentage);
        const QImage image = bar.grab().toImage();
        int tinted = 0;
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, UsageBar::barHeight / 2);
            tinted += pixel.red() > 200 && pixel.green() < 80 && pixel.blue() < 80;
        }
        EXPECT_GE(tinted, fewest) << percentage;
        EXPECT_LE(tinted, most) << percentage;
    }
}

// The most distinct pixel of a rendered label against the background it stands on.
double renderedContrast(QWidget& row, const char* name) {
    auto* label = row.findChild<QLabel*>(QLatin1String(name));
    return highestContrast(row.grab(label->geometry()).toImage(),
                           row.palette().color(QPalette::Window));
}

TEST(UsageRow, TextsReadOnLightAndDarkPanels) {
    // Breeze, Breeze Dark with the black placeholder text Qt 6.4 leaves it, and plain black.
    const std::tuple<const char*, QColor, QColor> palettes[] = {
        {"light", QColor(0xef, 0xf0, 0xf1), QColor(0x23, 0x26, 0x29)},
        {"dark", QColor(0x2a, 0x2e, 0x32), QColor(0xfc, 0xfc, 0xfc)},
        {"black", QColor(Qt::black), QColor(Qt::white)}};
    const QPalette original = QApplication::palette();
    for (const auto& [name, window, text] : palettes) {
        QPalette palette(text, window);
        palette.setColor(QPalette::PlaceholderText, QColor(0, 0, 0, 128));
        QApplication::setPalette(palette);
        for (double percentage : {42.0, 80.0, 95.0}) {
            UsageRow row(QStringLiteral("Current session (5h)"),
                         UsageWindow{percentage, now + 7200, 300}, now);
            row.setAutoFillBackground(true);
            row.resize(300, row.sizeHint().height());
            EXPECT_GE(renderedContrast(row, "usageReset"), minimumTextContrast) << name;
            EXPECT_GE(renderedContrast(row, "usagePercent"), minimumTextContrast) << percentage;
        }
    }
    QApplication::setPalette(original);
}

TEST(DateTexts, RelativePartTakesTheLargestUnitThatFitsRounded) {
    const std::pair<double, const char*> cases[] = {
        {0, "now"},
        {2 * 3600 - 70, "in 2 hours"},
        {-3 * 3600 - 1000, "3 hours ago"},
        {45, "in 45 seconds"},
        {86400 + 3 * 3600, "tomorrow"},
        {-86400, "yesterday"},
        {3 * 86400 + 6 * 3600, "in 3 days"},
        {9 * 86400, "next week"},
    };
    for (const auto& [offset, text] : cases)
        EXPECT_EQ(relativeTimeText(now + offset, now), QString::fromLatin1(text));
}

TEST(DateTexts, MalformedInstantsGiveNoDateAndNoCrash) {
    const double infinity = std::numeric_limits<double>::infinity();
    for (double instant : {infinity, nan, 1e300, -1e300}) {
        EXPECT_TRUE(dateTimeText(instant).isEmpty());
        resetText(instant, now);
    }
}

// ICU keeps the zone it first read; reset times follow the system's zone when it changes.
TEST(DateTexts, FollowTheSystemsTimeZone) {
    const double instant = 1'800'000'000; // 2027-01-15 08:00 UTC
    const QString utc = dateTimeText(instant);
    qputenv("TZ", "Asia/Tokyo");
    const QString tokyo = dateTimeText(instant);
    qputenv("TZ", "UTC");
    EXPECT_TRUE(utc.contains(QStringLiteral("8:00"))) << utc.toStdString();
    EXPECT_TRUE(tokyo.contains(QStringLiteral("5:00"))) << tokyo.toStdString();
    EXPECT_EQ(dateTimeText(instant), utc);
}

} // namespace
} // namespace tallyglass
