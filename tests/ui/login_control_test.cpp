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

struct Panel {
    explicit Panel(LoginItemStatus status)
        : item(std::make_shared<FakeLoginItem>(status))
        , control(item) {
        control.show();
    }
    QCheckBox* box() { return control.findChild<QCheckBox*>(QStringLiteral("launchAtLogin")); }
    QLabel* errorLine() { return control.findChild<QLabel*>(QStringLiteral("loginError")); }

    std::shared_ptr<FakeLoginItem> item;
    LoginControl control;
};

TEST(LoginControl, StartsFromTheStatusWithoutARequest) {
    const std::pair<LoginItemStatus, bool> cases[] = {
        {LoginItemStatus::enabled, true},
        {LoginItemStatus::notRegistered, false},
        {LoginItemStatus::requiresApproval, false},
        {LoginItemStatus::notFound, false},
    };
    for (const auto& [status, ticked] : cases) {
        Panel panel(status);
        EXPECT_EQ(panel.box()->isChecked(), ticked);
        EXPECT_EQ(panel.box()->text(), QStringLiteral("Launch at login"));
        EXPECT_TRUE(panel.item->requests.empty());
        EXPECT_FALSE(panel.errorLine()->isVisible());
    }
}

TEST(LoginControl, SuccessfulTickRegisters) {
    Panel panel(LoginItemStatus::notRegistered);
    panel.box()->click();
    EXPECT_EQ(panel.item->requests, Requests{"register"});
    EXPECT_TRUE(panel.box()->isChecked());
    EXPECT_FALSE(panel.control.loginToggleError());
    EXPECT_FALSE(panel.errorLine()->isVisible());
}

TEST(LoginControl, FailedTickResetsTheBoxWhichRequestsAgain) {
    // The reset to the real state is itself a change, so it asks to unregister.
    Panel failingTwice(LoginItemStatus::notRegistered);
    failingTwice.item->registerAnswers = {QStringLiteral("Refused")};
    failingTwice.item->unregisterAnswers = {QStringLiteral("Also refused")};
    failingTwice.box()->click();
    EXPECT_EQ(failingTwice.item->requests, (Requests{"register", "unregister"}));
    EXPECT_FALSE(failingTwice.box()->isChecked());
    EXPECT_EQ(failingTwice.control.loginToggleError(), QStringLiteral("Also refused"));
    EXPECT_TRUE(failingTwice.errorLine()->isVisible());
    EXPECT_EQ(failingTwice.errorLine()->text(), QStringLiteral("Also refused"));
    EXPECT_EQ(failingTwice.errorLine()->palette().color(QPalette::WindowText),
              systemColor(SystemColor::orange, failingTwice.control.palette()));

    Panel secondSucceeds(LoginItemStatus::notRegistered);
    secondSucceeds.item->registerAnswers = {QStringLiteral("Refused")};
    secondSucceeds.box()->click();
    EXPECT_EQ(secondSucceeds.item->requests, (Requests{"register", "unregister"}));
    EXPECT_FALSE(secondSucceeds.box()->isChecked());
    EXPECT_FALSE(secondSucceeds.control.loginToggleError());
    EXPECT_FALSE(secondSucceeds.errorLine()->isVisible());
}

TEST(LoginControl, FailureMatchingTheChoiceKeepsTheBoxAndTheError) {
    Panel panel(LoginItemStatus::enabled);
    // Switched off elsewhere while the panel stayed in place; the box still shows it ticked.
    panel.item->current = LoginItemStatus::requiresApproval;
    panel.item->unregisterAnswers = {QStringLiteral("Refused")};
    panel.box()->click();
    EXPECT_EQ(panel.item->requests, Requests{"unregister"});
    EXPECT_FALSE(panel.box()->isChecked());
    EXPECT_EQ(panel.control.loginToggleError(), QStringLiteral("Refused"));

    // The next successful request clears the line.
    panel.box()->click();
    EXPECT_EQ(panel.item->requests, (Requests{"unregister", "register"}));
    EXPECT_FALSE(panel.control.loginToggleError());
}

} // namespace
} // namespace tallyglass
