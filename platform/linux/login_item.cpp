#include "platform/login_item.h"

#include "xdg_autostart_item.h"

#include <QCoreApplication>

namespace tallyglass {

std::shared_ptr<LoginItem> createLoginItem() {
    return std::make_shared<XdgAutostartItem>(QCoreApplication::applicationFilePath());
}

} // namespace tallyglass
