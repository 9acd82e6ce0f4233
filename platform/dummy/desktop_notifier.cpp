#include "platform/desktop_notifier.h"

namespace tallyglass {

namespace {

// No notification service on this system: warnings are not shown.
class NoDesktopNotifier final : public DesktopNotifier {
public:
    void notify(const QString&, const QString&, bool) override {}
};

} // namespace

std::unique_ptr<DesktopNotifier> createDesktopNotifier() {
    return std::make_unique<NoDesktopNotifier>();
}

} // namespace tallyglass
