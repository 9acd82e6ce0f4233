#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace tallyglass {

// Where the program stands in the system's list of programs started at login.
enum class LoginItemStatus { notRegistered, enabled, requiresApproval, notFound };

// The per-user registration of this program as a login item. Requests are synchronous; a
// failed one answers with a description the user can read, a successful one with none.
class LoginItem {
public:
    virtual ~LoginItem() = default;

    virtual LoginItemStatus status() const = 0;
    virtual std::optional<QString> registerItem() = 0;
    virtual std::optional<QString> unregisterItem() = 0;
};

// The registration of the running program on this system.
std::shared_ptr<LoginItem> createLoginItem();

} // namespace tallyglass
