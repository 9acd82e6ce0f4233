#include "source_switch.h"

#include "panel_style.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace tallyglass {
namespace {

constexpr int switchHeight = 24;
constexpr int inset = 2;
constexpr qreal radius = 6;

// One segment: its label, and when selected a raised face on the switch's track.
class SegmentButton final : public QAbstractButton {
public:
    SegmentButton(const QString& text, QWidget* parent)
        : QAbstractButton(parent) {
        setText(text);
        setCheckable(true);
        // One choice among the segments, to assistive technology too: a radio button each.
        setAutoExclusive(true);
        setFocusPolicy(Qt::TabFocus);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override {
        return QSize(fontMetrics().horizontalAdvance(text()) + 24, switchHeight);
    }
    QSize minimumSizeHint() const override { return QSize(24, switchHeight); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF face = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
        if (isChecked())
            paintFace(painter, face);
        // A focus ring only once the keyboard moved focus, as the desktop's styles do.
        if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
            painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(face.adjusted(1, 1, -1, -1), radius - 2, radius - 2);
        }
        painter.setPen(palette().color(QPalette::WindowText));
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, width() - 8);
        painter.drawText(rect(), Qt::AlignCenter, shown);
    }

private:
    void paintFace(QPainter& painter, const QRectF& face) {
        const QPalette& colors = palette();
        QColor border = colors.color(QPalette::WindowText);
        border.setAlphaF(0.14f);
        QColor fill = colors.color(QPalette::Base);
        if (isDarkPalette(colors)) {
            fill = colors.color(QPalette::WindowText);
            fill.setAlphaF(0.24f);
        }
        painter.setPen(QPen(border, 0.5));
        painter.setBrush(fill);
        painter.drawRoundedRect(face, radius - inset, radius - inset);
    }
};

} // namespace

QString displayName(SourceKind kind) {
    return kind == SourceKind::codex ? QCoreApplication::translate("SourceSwitch", "Codex")
                                     : QCoreApplication::translate("SourceSwitch", "Claude Code");
}

SourceSwitch::SourceSwitch(QWidget* parent)
    : QWidget(parent)
    , m_group(new QButtonGroup(this)) {
    setObjectName(QStringLiteral("sourceSwitch"));
    setAccessibleName(tr("Watched assistant"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_group->setExclusive(true);
    for (SourceKind kind : allSourceKinds) {
        auto* button = new SegmentButton(displayName(kind), this);
        button->setObjectName(QStringLiteral("sourceSegment_") +
                              QString::fromUtf8(rawValue(kind).data(),
                                                static_cast<qsizetype>(rawValue(kind).size())));
        m_group->addButton(button, static_cast<int>(kind));
        layout->addWidget(button, 1);
        m_segments.emplace(kind, button);
    }
    m_segments.at(m_current)->setChecked(true);
    connect(m_group, &QButtonGroup::idClicked, this, [this](int id) {
        const auto kind = static_cast<SourceKind>(id);
        if (kind == m_current)
            return;
        // The switch shows the model's choice, not the click: the model answers with a change.
        m_segments.at(m_current)->setChecked(true);
        emit picked(kind);
    });
}

void SourceSwitch::setCurrent(SourceKind kind) {
    m_current = kind;
    m_segments.at(kind)->setChecked(true);
}

void SourceSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor track = palette().color(QPalette::WindowText);
    track.setAlphaF(0.08f);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), radius, radius);
    painter.fillPath(shape, track);
}

} // namespace tallyglass
