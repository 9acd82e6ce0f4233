#pragma once

#include "platform/login_item.h"

#include <deque>
#include <string>
#include <vector>

namespace tallyglass::testing {

// A login item whose answers the test queues. A request without a queued answer succeeds;
// a successful request moves the status, a failed one leaves it as it is.
class FakeLoginItem final : public LoginItem {
public:
    explicit FakeLoginItem(LoginItemStatus status = LoginItemStatus::notRegistered)
        : current(status) {}

    LoginItemStatus status() const override { return current; }
    std::optional<QString> registerItem() override {
        return answer("register", registerAnswers, LoginItemStatus::enabled);
    }
    std::optional<QString> unregisterItem() override {
        return answer("unregister", unregisterAnswers, LoginItemStatus::notRegistered);
    }

    LoginItemStatus current;
    std::deque<std::optional<QString>> registerAnswers, unregisterAnswers;
    std::vector<std::string> requests;

private:
    std::optional<QString> answer(const char* request, std::deque<std::optional<QString>>& queue,
                                  LoginItemStatus onSuccess) {
        requests.emplace_back(request);
        std::optional<QString> error = queue.empty() ? std::nullopt : queue.front();
        if (!queue.empty())
            queue.pop_front();
        if (!error)
            current = onSuccess;
        return error;
    }
};

} // namespace tallyglass::testing
