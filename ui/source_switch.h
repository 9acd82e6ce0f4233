#pragma once

#include "core/source_kind.h"

#include <QString>
#include <QWidget>

#include <map>

class QAbstractButton;
class QButtonGroup;

namespace tallyglass {

// The name shown to the user: "Claude Code", "Codex".
QString displayName(SourceKind kind);

// A segmented control with one segment per SourceKind, painted by hand so it looks like one
// control under every style.
class SourceSwitch final : public QWidget {
    Q_OBJECT

public:
    explicit SourceSwitch(QWidget* parent = nullptr);

    SourceKind current() const { return m_current; }
    void setCurrent(SourceKind kind);
    QAbstractButton* segment(SourceKind kind) const { return m_segments.at(kind); }

signals:
    // The user picked a segment other than the current one.
    void picked(SourceKind kind);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SourceKind m_current = SourceKind::claude;
    std::map<SourceKind, QAbstractButton*> m_segments;
    QButtonGroup* m_group;
};

} // namespace tallyglass
