#include "platform/status_item.h"

namespace tallyglass {

namespace {

// A system without a tray we know: nothing is ever shown, so the shell opens its panel in a
// window instead.
class NoStatusItem final : public StatusItem {
public:
    bool isShown() const override { return false; }
    void setContent(const QIcon&, const std::optional<QString>&) override {}
};

} // namespace

std::unique_ptr<StatusItem> createStatusItem() {
    return std::make_unique<NoStatusItem>();
}

} // namespace tallyglass
