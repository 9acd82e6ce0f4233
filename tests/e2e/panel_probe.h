#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace tallyglass::testing {

// The panel drawn here, in this process, from the same snapshot file the program under test
// reads: what its window must measure and show, and where its controls are.
struct PanelProbe {
    QSize size;
    // The usage rows, in panel coordinates, and how they look.
    QRect rows;
    QImage rowsImage;
    // The middle of the Quit button, in panel coordinates.
    QPoint quit;
};

// Whether this build has the panel at all.
bool panelAvailable();

// snapshotFile empty: the panel of a source that has no reading.
PanelProbe probePanel(const QString& snapshotFile);

// Two pictures of the same widgets, drawn by two processes: equal but for a few pixels of
// text that may differ (a reset time that moved on by a minute between the two).
bool samePicture(const QImage& a, const QImage& b);

} // namespace tallyglass::testing
