#include "usage_bar.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace tallyglass {

double clampedBarValue(std::optional<double> percentage) {
    if (!percentage || std::isnan(*percentage) || *percentage <= 0)
        return 0;
    return *percentage > 100 ? 100 : *percentage;
}

UsageBar::UsageBar(QWidget* parent)
    : QWidget(parent)
    , m_tint(palette().color(QPalette::Highlight)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void UsageBar::setPercentage(std::optional<double> percentage) {
    m_value = clampedBarValue(percentage);
    update();
}

void UsageBar::setTint(const QColor& tint) {
    m_tint = tint;
    update();
}

QSize UsageBar::sizeHint() const {
    return QSize(160, barHeight);
}

QSize UsageBar::minimumSizeHint() const {
    return QSize(barHeight * 2, barHeight);
}

void UsageBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track(0, (height() - barHeight) / 2.0, width(), barHeight);
    QPainterPath shape;
    shape.addRoundedRect(track, barHeight / 2.0, barHeight / 2.0);

    // The track is the text colour faintly, so it shows on light and dark windows alike.
    QColor trackColor = palette().color(QPalette::WindowText);
    trackColor.setAlphaF(0.12f);
    painter.fillPath(shape, trackColor);

    if (m_value <= 0)
        return;
    // A rounded end like the track's; the smallest fill is a dot rather than a sliver.
    painter.setClipPath(shape);
    const qreal length = std::max<qreal>(track.width() * m_value / 100.0, barHeight);
    QPainterPath fill;
    fill.addRoundedRect(QRectF(track.left(), track.top(), length, track.height()), barHeight / 2.0,
                        barHeight / 2.0);
    painter.fillPath(fill, m_tint);
}

} // namespace tallyglass
