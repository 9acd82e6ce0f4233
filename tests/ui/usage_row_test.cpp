#include "ui/date_texts.h"
#include "ui/panel_style.h"
#include "ui/usage_bar.h"
#include "ui/usage_row.h"

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tallyglass {
namespace {

constexpr double now = 1'796'461'200; // Dec 5, 2026, 9:00 AM UTC (the tests run with TZ=UTC)

// ICU puts a narrow no-break space before AM/PM; compare with plain spaces.
QString plain(QString text) {
    return text.replace(QChar(0x202F), u' ').replace(QChar(0x00A0), u' ');
}

TEST(UsageRowTexts, ColourThresholdsUseTheStoredPercentage) {
    const struct {
        std::optional<double> percentage;
        UsageTone tone;
        const char* text;
    } cases[] = {
        {std::nullopt, UsageTone::gray, "no data"},
        {std::numeric_limits<double>::quiet_NaN(), UsageTone::gray, "no data"},
        {-5, UsageTone::green, "-5%"},
        {0.4, UsageTone::green, "0%"},
        {42.5, UsageTone::green, "43%"},
        {69.9, UsageTone::green, "70%"},
        {70, UsageTone::orange, "70%"},
        {89.6, UsageTone::orange, "90%"},
        {89.99, UsageTone::orange, "90%"},
        {90, UsageTone::red, "90%"},
        {120, UsageTone::red, "120%"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(usageTone(c.percentage), c.tone);
        EXPECT_EQ(percentText(c.percentage), QString::fromLatin1(c.text));
    }
}

// The most distinct pixel of a rendered label against the background it stands on.
double renderedContrast(QWidget& row, const char* name) {
    auto* label = row.findChild<QLabel*>(QLatin1String(name));
    return highestContrast(row.grab(label->geometry()).toImage(),
                           row.palette().color(QPalette::Window));
}

TEST(UsageRowWidget, TextsReadOnLightAndDarkPanels) {
    // Breeze, Breeze Dark with the black placeholder text Qt 6.4 leaves it, and plain black.
    const std::tuple<const char*, QColor, QColor> palettes[] = {
        {"light", QColor(0xef, 0xf0, 0xf1), QColor(0x23, 0x26, 0x29)},
        {"dark", QColor(0x2a, 0x2e, 0x32), QColor(0xfc, 0xfc, 0xfc)},
        {"black", QColor(Qt::black), QColor(Qt::white)}};
    const QPalette original = QApplication::palette();
    for (const auto& [name, window, text] : palettes) {
        SCOPED_TRACE(name);
        QPalette palette(text, window);
        palette.setColor(QPalette::PlaceholderText, QColor(0, 0, 0, 128));
        QApplication::setPalette(palette);
        for (double percentage : {42.0, 80.0, 95.0}) {
            UsageRow row(QStringLiteral("Current session (5h)"),
                         UsageWindow{percentage, now + 7200, 300}, now);
            row.setAutoFillBackground(true);
            row.resize(300, row.sizeHint().height());
            EXPECT_GE(renderedContrast(row, "usageReset"), minimumTextContrast);
            EXPECT_GE(renderedContrast(row, "usagePercent"), minimumTextContrast) << percentage;
        }
    }
    QApplication::setPalette(original);
}

TEST(UsageRowTexts, RelativePartTakesTheLargestUnitThatFits) {
    const struct {
        double offset;
        const char* text;
    } cases[] = {
        {0, "now"},
        {2 * 3600, "in 2 hours"},
        {2 * 3600 - 70, "in 2 hours"},
        {-300, "5 minutes ago"},
        {45, "in 45 seconds"},
        {86400 + 3 * 3600, "tomorrow"},
        {-86400, "yesterday"},
        {3 * 86400 + 6 * 3600, "in 3 days"},
        {9 * 86400, "next week"},
        {-3 * 3600 - 1000, "3 hours ago"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(relativeTimeText(now + c.offset, now), QString::fromLatin1(c.text));
    }
}

TEST(UsageRowTexts, ResetLineJoinsRelativeAndAbsoluteParts) {
    EXPECT_EQ(plain(resetText(now + 2 * 3600, now)),
              QStringLiteral("Resets in 2 hours (Dec 5, 2026, 11:00 AM)"));
    EXPECT_EQ(plain(resetText(now - 300, now)),
              QStringLiteral("Resets 5 minutes ago (Dec 5, 2026, 8:55 AM)"));
}

TEST(UsageRowTexts, MalformedInstantsGiveNoDateAndNoCrash) {
    for (double instant : {std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN(), 1e300, -1e300}) {
        EXPECT_TRUE(dateTimeText(instant).isEmpty());
        resetText(instant, now);
    }
}

struct RowCase {
    const char* name;
    std::optional<UsageWindow> window;
    const char* percent;
    double barValue;
    UsageTone tone;
    bool resetShown;
};

TEST(UsageRowWidget, ShowsFiguresBarAndResetLine) {
    const RowCase cases[] = {
        {"green", UsageWindow{42.4, now + 7200, 300}, "42%", 42.4, UsageTone::green, true},
        {"above 100", UsageWindow{120, std::nullopt, std::nullopt}, "120%", 100, UsageTone::red,
         false},
        {"below 0", UsageWindow{-5, now + 60, std::nullopt}, "-5%", 0, UsageTone::green, true},
        {"no percentage", UsageWindow{std::nullopt, now + 60, std::nullopt}, "no data", 0,
         UsageTone::gray, true},
        {"no window", std::nullopt, "no data", 0, UsageTone::gray, false},
    };
    for (const RowCase& c : cases) {
        SCOPED_TRACE(c.name);
        UsageRow row(QStringLiteral("Current session (5h)"), c.window, now);
        const auto* percent = row.findChild<QLabel*>(QStringLiteral("usagePercent"));
        const auto* bar = row.findChild<UsageBar*>(QStringLiteral("usageBar"));
        ASSERT_TRUE(percent && bar);
        EXPECT_EQ(percent->text(), QString::fromLatin1(c.percent));
        EXPECT_DOUBLE_EQ(bar->value(), c.barValue);
        const std::optional<double> p = c.window ? c.window->usedPercentage : std::nullopt;
        EXPECT_EQ(usageTone(p), c.tone);
        EXPECT_EQ(bar->tint(), usageColor(p, row.palette()));
        EXPECT_EQ(percent->palette().color(QPalette::WindowText), bar->tint());
        const auto* reset = row.findChild<QLabel*>(QStringLiteral("usageReset"));
        EXPECT_EQ(reset != nullptr, c.resetShown);
        if (reset) {
            EXPECT_TRUE(reset->text().startsWith(QStringLiteral("Resets ")));
        }
    }
}

} // namespace
} // namespace tallyglass
