#pragma once

#include <QColor>
#include <QImage>

namespace tallyglass::testing {

// The contrast of a picture's most distinct pixel against the background it stands on: how
// well text or an icon drawn there can be read.
double highestContrast(const QImage& picture, const QColor& background);

} // namespace tallyglass::testing
