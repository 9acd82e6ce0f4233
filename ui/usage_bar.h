#pragma once

#include <QColor>
#include <QWidget>

#include <optional>

namespace tallyglass {

// A determinate bar from 0 to 100, painted by hand so that its tint shows under every style.
class UsageBar final : public QWidget {
    Q_OBJECT

public:
    static constexpr int barHeight = 6;

    explicit UsageBar(QWidget* parent = nullptr);

    // Absent, NaN and values not above 0 give an empty bar; above 100 a full one.
    void setPercentage(std::optional<double> percentage);
    void setTint(const QColor& tint);

    double value() const { return m_value; }
    QColor tint() const { return m_tint; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_value = 0;
    QColor m_tint;
};

// The bar's value for a percentage: clamped to 0..100, 0 when absent.
double clampedBarValue(std::optional<double> percentage);

} // namespace tallyglass
