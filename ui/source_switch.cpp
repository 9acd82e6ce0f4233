#include "source_switch.h"

#include "panel_style.h"

#include "core/claude_folder.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QFileInfo>
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

QString displayName(const SourceId& source) {
    if (source.kind == SourceKind::codex)
        return displayName(SourceKind::codex);
    if (QString named = claudeSourceName(source.folder); !named.isEmpty())
        return named;
    const QString folderName = QFileInfo(claudeFolderPath(source.folder)).fileName();
    return source.folder == 0 || folderName.isEmpty() ? displayName(SourceKind::claude)
                                                      : folderName;
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
    Segments segments;
    for (SourceKind kind : allSourceKinds)
        segments.emplace_back(kind, displayName(kind));
    setSegments(segments);
    connect(m_group, &QButtonGroup::idClicked, this, [this](int id) {
        const SourceId source = m_shown.at(std::size_t(id)).first;
        if (source == m_current)
            return;
        // The switch shows the model's choice, not the click: the model answers with a change.
        setCurrent(m_current);
        emit picked(source);
    });
}

void SourceSwitch::setSegments(const Segments& segments) {
    if (segments == m_shown)
        return;
    for (auto& [source, button] : m_segments)
        delete button;
    m_segments.clear();
    m_shown = segments;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const auto& [source, name] = segments[i];
        auto* button = new SegmentButton(name, this);
        button->setObjectName(QStringLiteral("sourceSegment_") +
                              QString::fromStdString(storedForm(source)));
        m_group->addButton(button, int(i));
        static_cast<QHBoxLayout*>(layout())->addWidget(button, 1);
        // A child added to a widget already on screen stays hidden until told otherwise.
        if (isVisible())
            button->show();
        m_segments.emplace(source, button);
    }
    setCurrent(m_current);
}

QAbstractButton* SourceSwitch::segment(const SourceId& source) const {
    const auto found = m_segments.find(source);
    return found == m_segments.end() ? nullptr : found->second;
}

void SourceSwitch::setCurrent(const SourceId& source) {
    m_current = source;
    if (auto* button = segment(source))
        button->setChecked(true);
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
