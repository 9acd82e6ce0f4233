#include "support/fake_login_item.h"
#include "ui/login_control.h"
#include "ui/panel_style.h"

#include <QCheckBox>
#include <QLabel>

#include <gtest/gtest.h>

namespace tallyglass {
namespace {

using testing::FakeLoginItem;
using Requests = std::vector<std::string>;
using Answers = std::deque<std::optional<QString>>;
constexpr auto none = std::nullopt;

TEST(LoginControl, StartsFromTheStatusWithoutARequest) {
    for (const auto& [status, ticked] : {std::pair{LoginItemStatus::enabled, true},
                                         {LoginItemStatus::notRegistered, false},
                                         {LoginItemStatus::requiresApproval, false},
                                         {LoginItemStatus::notFound, false}}) {
        auto item = std::make_shared<FakeLoginItem>(status);
        LoginControl control(item);
        EXPECT_EQ(control.launchAtLogin(), ticked);
        EXPECT_TRUE(item->requests.empty());
    }
}

// A failed request resets the box to the real state; when that differs from the user's choice
// the reset is itself a change, and so a second request.
TEST(LoginControl, EachChangeRequestsAndAFailureShowsTheRealState) {
    const struct {
        const char* name;
        LoginItemStatus start, real;
        Answers registerAnswers, unregisterAnswers;
        Requests requests;
        bool ticked;
        std::optional<QString> error;
    } cases[] = {
        {"ticked",
         LoginItemStatus::notRegistered,
         LoginItemStatus::notRegistered,
         {},
         {},
         {"register"},
         true,
         none},
        {"refused twice",
         LoginItemStatus::notRegistered,
         LoginItemStatus::notRegistered,
         {"Refused"},
         {"Also refused"},
         {"register", "unregister"},
         false,
         "Also refused"},
        {"reset succeeds",
         LoginItemStatus::notRegistered,
         LoginItemStatus::notRegistered,
         {"Refused"},
         {},
         {"register", "unregister"},
         false,
         none},
        // Switched off elsewhere while the panel stayed in place: the box still shows it ticked.
        {"real state is the choice",
         LoginItemStatus::enabled,
         LoginItemStatus::requiresApproval,
         {},
         {"Refused"},
         {"unregister"},
         false,
         "Refused"},
    };
    for (const auto& c : cases) {
        auto item = std::make_shared<FakeLoginItem>(c.start);
        LoginControl control(item);
        control.show();
        item->current = c.real;
        item->registerAnswers = c.registerAnswers;
        item->unregisterAnswers = c.unregisterAnswers;
        control.findChild<QCheckBox*>(QStringLiteral("launchAtLogin"))->click();
        EXPECT_EQ(item->requests, c.requests) << c.name;
        EXPECT_EQ(control.launchAtLogin(), c.ticked) << c.name;
        EXPECT_EQ(control.loginToggleError(), c.error) << c.name;
        const auto* line = control.findChild<QLabel*>(QStringLiteral("loginError"));
        EXPECT_EQ(line->isVisible(), c.error.has_value()) << c.name;
        EXPECT_EQ(line->text(), c.error.value_or(QString())) << c.name;
        EXPECT_EQ(line->palette().color(QPalette::WindowText),
                  systemColor(SystemColor::orange, control.palette()));
    }
}

} // namespace
} // namespace tallyglass
