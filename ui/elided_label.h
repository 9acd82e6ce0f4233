#pragma once

#include <QWidget>

namespace tallyglass {

// One line of text that gives up width before the panel does: it ends in an ellipsis when
// squeezed and shows the whole text as its tooltip then. Optionally drawn on a capsule.
class ElidedLabel final : public QWidget {
    Q_OBJECT

public:
    explicit ElidedLabel(const QString& text = QString(), QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);

    // A capsule of this colour behind the text, padded by the given margins.
    void setCapsule(const QColor& fill, const QMargins& padding);

    // True when the text is cut at the current width.
    bool isElided() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateToolTip();
    int textWidth(const QString& text) const;

    QString m_text;
    QColor m_capsule;
    QMargins m_padding;
};

} // namespace tallyglass
