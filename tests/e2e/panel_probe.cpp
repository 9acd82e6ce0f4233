#include "panel_probe.h"

#include "core/snapshot_decoding.h"
#include "support/event_loop.h"
#include "support/fake_login_item.h"
#include "support/fake_source.h"
#include "support/temp_home.h"
#include "ui/menu_view.h"

#include <QPushButton>

namespace tallyglass::testing {

qint64 differingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return -1;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 differing = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int column = 0; column < x.width(); ++column)
            differing += x.pixel(column, row) != y.pixel(column, row);
    return differing;
}

PanelProbe probePanel(const QString& snapshotFile) {
    TempHome home;
    auto state = std::make_shared<FakeSource::State>();
    const QByteArray bytes = readFile(snapshotFile);
    state->setResult(snapshotFile.isEmpty()
                         ? std::nullopt
                         : decodeSnapshot(std::string_view(bytes.data(), bytes.size())));
    UsageModel model(
        {{SourceKind::claude, std::make_shared<SourceActor>(std::make_unique<FakeSource>(state))}},
        std::make_shared<SystemClock>());
    processEventsUntil([&] { return model.lastChecked() > 0; });
    MenuView view(model, std::make_shared<SystemClock>(), std::make_shared<FakeLoginItem>());
    view.show();
    processEventsFor(300);

    PanelProbe probe;
    probe.size = view.size();
    const QPixmap drawn = view.grab();
    for (QWidget* part : view.findChildren<QWidget*>()) {
        const QString name = part->objectName();
        if (name != u"usageTitle" && name != u"usagePercent" && name != u"usageBar")
            continue;
        const QRect area(part->mapTo(&view, QPoint(0, 0)), part->size());
        probe.fixedParts.append(area);
        probe.fixedImages.append(drawn.copy(area).toImage());
    }
    if (auto* quit = view.findChild<QPushButton*>(QStringLiteral("quitButton")))
        probe.quit = quit->mapTo(&view, quit->rect().center());
    return probe;
}

} // namespace tallyglass::testing
