#pragma once

#include "core/source_id.h"

#include <QString>
#include <QWidget>

#include <map>
#include <utility>
#include <vector>

class QAbstractButton;
class QButtonGroup;

namespace tallyglass {

// The name shown to the user: "Claude Code", "Codex".
QString displayName(SourceKind kind);
// A source's name: the one the user gave it, else its assistant's, and for a further Claude
// folder the folder's own name.
QString displayName(const SourceId& source);

// A segmented control with one segment per source, painted by hand so it looks like one
// control under every style.
class SourceSwitch final : public QWidget {
    Q_OBJECT

public:
    explicit SourceSwitch(QWidget* parent = nullptr);

    using Segments = std::vector<std::pair<SourceId, QString>>;

    // One segment per assistant until told otherwise.
    const SourceId& current() const { return m_current; }
    void setCurrent(const SourceId& source);
    // Segments made anew only when they differ from those shown.
    void setSegments(const Segments& segments);
    QAbstractButton* segment(const SourceId& source) const;

signals:
    // The user picked a segment other than the current one.
    void picked(tallyglass::SourceId source);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SourceId m_current;
    Segments m_shown;
    std::map<SourceId, QAbstractButton*> m_segments;
    QButtonGroup* m_group;
};

} // namespace tallyglass
