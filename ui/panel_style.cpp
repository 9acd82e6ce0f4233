#include "panel_style.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

namespace tallyglass {
namespace {

// Sizes relative to 13-point body text, the scale these styles were drawn for.
qreal relativeSize(TextStyle style) {
    switch (style) {
    case TextStyle::body:
    case TextStyle::headline:
        return 1.0;
    case TextStyle::callout:
        return 12.0 / 13.0;
    case TextStyle::subheadline:
        return 11.0 / 13.0;
    case TextStyle::caption:
    case TextStyle::caption2:
        return 10.0 / 13.0;
    }
    return 1.0;
}

// Below this a desktop font stops being legible, whatever the body size.
constexpr qreal smallestPointSize = 7.0;
constexpr int smallestPixelSize = 9;

} // namespace

QFont styledFont(TextStyle style, const QFont& body, QFont::Weight weight) {
    QFont font = body;
    const qreal factor = relativeSize(style);
    if (body.pointSizeF() > 0)
        font.setPointSizeF(std::max(smallestPointSize, body.pointSizeF() * factor));
    else if (body.pixelSize() > 0)
        font.setPixelSize(std::max(smallestPixelSize, qRound(body.pixelSize() * factor)));
    font.setWeight(style == TextStyle::headline && weight == QFont::Normal ? QFont::DemiBold
                                                                           : weight);
    return font;
}

bool isDarkPalette(const QPalette& palette) {
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

QColor systemColor(SystemColor color, const QPalette& palette) {
    return systemColor(color, isDarkPalette(palette));
}

QColor systemColor(SystemColor color, bool dark) {
    // The accessible (high-contrast) variants of the usual system colours: the plain ones are
    // too light to read as small text on a white panel.
    switch (color) {
    case SystemColor::green:
        return dark ? QColor(48, 219, 91) : QColor(30, 122, 54);
    case SystemColor::orange:
        return dark ? QColor(255, 179, 64) : QColor(170, 82, 0);
    case SystemColor::red:
        return dark ? QColor(255, 105, 97) : QColor(215, 0, 21);
    case SystemColor::gray:
        return dark ? QColor(174, 174, 178) : QColor(108, 108, 112);
    }
    return dark ? Qt::white : Qt::black;
}

double relativeLuminance(const QColor& colour) {
    const auto channel = [](float value) {
        return value <= 0.04045f ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) +
           0.0722 * channel(rgb.blueF());
}

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor secondaryColor(const QPalette& palette) {
    // The text colour eased toward the window colour, but never so far that small text
    // falls below 4.5:1. Styles' own quiet colours (placeholder text) are not used: some
    // stay black on dark palettes.
    const QColor text = palette.color(QPalette::WindowText).toRgb();
    const QColor window = palette.color(QPalette::Window).toRgb();
    for (double share = 0.45; share > 0; share -= 0.05) {
        const auto mix = [&](float t, float w) { return t + float(share) * (w - t); };
        const QColor eased =
            QColor::fromRgbF(mix(text.redF(), window.redF()), mix(text.greenF(), window.greenF()),
                             mix(text.blueF(), window.blueF()));
        if (contrastRatio(eased, window) >= minimumTextContrast)
            return eased;
    }
    return text;
}

void setForeground(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

} // namespace tallyglass
