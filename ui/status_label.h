#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

#include <optional>

namespace tallyglass {

// Space between the icon and the summary, in points.
inline constexpr qreal statusLabelSpacing = 4.0;

// The status-bar label as one image: the icon, then, only when there is a summary, 4 points of
// space and the summary text, vertically centred, all in one tint.
QImage renderStatusLabel(const std::optional<QString>& summary, qreal devicePixelRatio,
                         const QColor& tint, const QFont& font);

// A tint that reads well on a tray drawn with this window colour.
QColor trayTint(const QColor& trayBackground);

} // namespace tallyglass
