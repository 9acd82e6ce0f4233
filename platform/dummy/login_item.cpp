#include "platform/login_item.h"

#include <QCoreApplication>

namespace tallyglass {

namespace {

// No login-item service on this system: the control shows why the box cannot be ticked.
class NoLoginItem final : public LoginItem {
public:
    LoginItemStatus status() const override { return LoginItemStatus::notFound; }
    std::optional<QString> registerItem() override { return unavailable(); }
    std::optional<QString> unregisterItem() override { return std::nullopt; }

private:
    static QString unavailable() {
        return QCoreApplication::translate("LoginItem",
                                           "Launch at login is not available on this system.");
    }
};

} // namespace

std::shared_ptr<LoginItem> createLoginItem() {
    return std::make_shared<NoLoginItem>();
}

} // namespace tallyglass
