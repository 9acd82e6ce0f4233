#include "panel_style.h"

#include <QWidget>

#include <algorithm>

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
    // The accessible (high-contrast) variants of the usual system colours: the plain ones are
    // too light to read as small text on a white panel.
    const bool dark = isDarkPalette(palette);
    switch (color) {
    case SystemColor::green:
        return dark ? QColor(48, 219, 91) : QColor(36, 138, 61);
    case SystemColor::orange:
        return dark ? QColor(255, 179, 64) : QColor(194, 94, 0);
    case SystemColor::red:
        return dark ? QColor(255, 105, 97) : QColor(215, 0, 21);
    case SystemColor::gray:
        return dark ? QColor(174, 174, 178) : QColor(108, 108, 112);
    }
    return palette.color(QPalette::WindowText);
}

QColor secondaryColor(const QPalette& palette) {
    // Placeholder text is the palette's own quiet text colour; it is derived from the text
    // colour, so it follows light and dark themes.
    QColor color = palette.color(QPalette::PlaceholderText);
    if (color == palette.color(QPalette::WindowText) || color.alpha() == 0) {
        color = palette.color(QPalette::WindowText);
        color.setAlphaF(0.55f);
    }
    return color;
}

void setForeground(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

} // namespace tallyglass
