#pragma once

#include <QColor>
#include <QIcon>

namespace tallyglass {

// A circular arrow in one colour, drawn here rather than taken from the icon theme: themes
// give anything from a faint grey symbolic icon to none at all.
QIcon refreshIcon(const QColor& colour);

} // namespace tallyglass
