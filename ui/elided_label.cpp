#include "elided_label.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace tallyglass {

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent)
    : QWidget(parent)
    , m_text(text) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ElidedLabel::setText(const QString& text) {
    m_text = text;
    updateGeometry();
    updateToolTip();
    update();
}

void ElidedLabel::setCapsule(const QColor& fill, const QMargins& padding) {
    m_capsule = fill;
    m_padding = padding;
    setContentsMargins(padding);
    updateGeometry();
    update();
}

// Whole pixels that hold the text: rounding the advance down would cut the last letter.
int ElidedLabel::textWidth(const QString& text) const {
    return static_cast<int>(std::ceil(QFontMetricsF(font()).horizontalAdvance(text)));
}

bool ElidedLabel::isElided() const {
    return textWidth(m_text) > contentsRect().width();
}

QSize ElidedLabel::sizeHint() const {
    const QMargins margins = contentsMargins();
    return QSize(textWidth(m_text) + margins.left() + margins.right(),
                 fontMetrics().height() + margins.top() + margins.bottom());
}

QSize ElidedLabel::minimumSizeHint() const {
    const QMargins margins = contentsMargins();
    const int shortest = std::min(textWidth(m_text), textWidth(QStringLiteral("W…")));
    return QSize(shortest + margins.left() + margins.right(),
                 fontMetrics().height() + margins.top() + margins.bottom());
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_capsule.isValid()) {
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF shape = QRectF(rect());
        QPainterPath capsule;
        capsule.addRoundedRect(shape, shape.height() / 2.0, shape.height() / 2.0);
        painter.fillPath(capsule, m_capsule);
    }
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect area = contentsRect();
    const QString shown =
        isElided() ? QFontMetricsF(font()).elidedText(m_text, Qt::ElideRight, area.width())
                   : m_text;
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, shown);
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateToolTip();
}

void ElidedLabel::updateToolTip() {
    setToolTip(isElided() ? m_text : QString());
}

} // namespace tallyglass
