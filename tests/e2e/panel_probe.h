#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace tallyglass::testing {

// The panel drawn here, in this process, from the same snapshot file the program under test
// reads: what its window must measure and show, and where its controls are.
struct PanelProbe {
    QSize size;
    // What the usage rows show that does not move with the clock (title, percentage and bar
    // of each), in panel coordinates, and how it looks.
    QList<QRect> fixedParts;
    QList<QImage> fixedImages;
    // The middle of the Quit button, in panel coordinates.
    QPoint quit;
};

// snapshotFile empty: the panel of a source that has no reading.
PanelProbe probePanel(const QString& snapshotFile);

// How many pixels of two same-sized pictures differ; -1 when the sizes differ.
qint64 differingPixels(const QImage& a, const QImage& b);

} // namespace tallyglass::testing
