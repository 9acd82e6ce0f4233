#include "contrast.h"

#include "ui/panel_style.h"

#include <algorithm>

namespace tallyglass::testing {

double highestContrast(const QImage& picture, const QColor& background) {
    double best = 1;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            best = std::max(best, contrastRatio(picture.pixelColor(x, y), background));
    return best;
}

} // namespace tallyglass::testing
