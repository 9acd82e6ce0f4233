#pragma once

#include "ui/panel_style.h"

#include <QImage>

#include <algorithm>

namespace tallyglass {

// The contrast of a picture's most distinct pixel against the background it stands on: how
// well text or an icon drawn there can be read.
inline double highestContrast(const QImage& picture, const QColor& background) {
    double best = 1;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            best = std::max(best, contrastRatio(picture.pixelColor(x, y), background));
    return best;
}

} // namespace tallyglass
