#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

class QWidget;

namespace tallyglass {

// Geometry of the panel, in points (Qt's device-independent pixels).
inline constexpr int panelWidth = 300;
inline constexpr int panelPadding = 14;
inline constexpr int panelSpacing = 12;
inline constexpr int headerSpacing = 6;
inline constexpr int updatedSpacing = 4;
inline constexpr int emptyStateSpacing = 6;
inline constexpr int footerSpacing = 8;
inline constexpr int rowSpacing = 4;

// The desktop's text styles, sized from the application font the way the smaller styles
// relate to body text on a desktop that names them.
enum class TextStyle { body, headline, subheadline, callout, caption, caption2 };

QFont styledFont(TextStyle style, const QFont& body, QFont::Weight weight = QFont::Normal);

enum class SystemColor { green, orange, red, gray };

bool isDarkPalette(const QPalette& palette);

// Status colours with enough contrast to be read as text on the panel, light or dark.
QColor systemColor(SystemColor color, const QPalette& palette);
QColor systemColor(SystemColor color, bool dark);

// The contrast small text needs against its background (WCAG AA).
inline constexpr double minimumTextContrast = 4.5;

// The WCAG contrast ratio of two opaque colours, from 1 to 21.
double contrastRatio(const QColor& a, const QColor& b);

// The secondary text style: quieter than the main text, at least minimumTextContrast
// against the window colour.
QColor secondaryColor(const QPalette& palette);

// Gives a widget's text (and the text it paints itself) one colour.
void setForeground(QWidget* widget, const QColor& color);

} // namespace tallyglass
