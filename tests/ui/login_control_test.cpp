#include "support/fake_login_item.h"
#include "ui/login_control.h"
#include "ui/panel_style.h"

#include <QCheckBox>
#include <QLabel>

#include <gtest/gtest.h>

namespace tallyglass {
namespace {

using Requests = std::vector<std::string>;
using Answers = std::deque<std::optional<QString>>;
constexpr auto none = std::nullopt;

// The box starts from the status without a request. A failed request resets it to the real
// state; when that differs from the user's choice the reset is itself a change, and so a
// second request.
TEST(LoginControl, EachChangeRequestsAndAFailureShowsTheRealState) {
    constexpr auto off = LoginItemStatus::notRegistered, on = LoginItemStatus::enabled;
    const struct {
        const char* name;
        LoginItemStatus start, real;
        Answers registerAnswers, unregisterAnswers;
        Requests requests;
        std::optional<QString> error;
    } cases[] = {
        // clang-format off
        {"ticked", off, off, {}, {}, {"register"}, none},
        {"awaiting approval", LoginItemStatus::requiresApproval, off, {}, {}, {"register"}, none},
        {"program gone", LoginItemStatus::notFound, off, {}, {}, {"register"}, none},
        {"refused twice", off, off, {"No"}, {"Also no"}, {"register", "unregister"}, "Also no"},
        {"reset succeeds", off, off, {"No"}, {}, {"register", "unregister"}, none},
        // Switched off elsewhere while the panel stayed: the box still shows it ticked.
        {"real state is the choice", on, LoginItemStatus::requiresApproval, {}, {"No"},
         {"unregister"}, "No"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto item = std::make_shared<testing::FakeLoginItem>(c.start);
        LoginControl control(item);
        control.show();
        EXPECT_EQ(control.launchAtLogin(), c.start == on);
        EXPECT_TRUE(item->requests.empty());
        item->current = c.real;
        item->registerAnswers = c.registerAnswers;
        item->unregisterAnswers = c.unregisterAnswers;
        control.findChild<QCheckBox*>(QStringLiteral("launchAtLogin"))->click();
        EXPECT_EQ(item->requests, c.requests);
        EXPECT_EQ(control.launchAtLogin(), c.requests == Requests{"register"});
        EXPECT_EQ(control.loginToggleError(), c.error);
        const auto* line = control.findChild<QLabel*>(QStringLiteral("loginError"));
        EXPECT_EQ(line->isVisible() ? line->text() : QString(), c.error.value_or(QString()));
        EXPECT_EQ(line->palette().color(QPalette::WindowText),
                  systemColor(SystemColor::orange, control.palette()));
    }
}

} // namespace
} // namespace tallyglass
