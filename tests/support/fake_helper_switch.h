#pragma once

#include "core/helper_switch.h"

#include <vector>

namespace tallyglass::testing {

// Removal succeeds unless a failure is set; the choice lives only as long as the fake.
struct FakeHelperSwitch final : HelperSwitch {
    explicit FakeHelperSwitch(bool wanted = true)
        : wanted(wanted) {}

    bool isWanted() const override { return wanted; }
    std::optional<QString> remove() override {
        wanted = false;
        return failure;
    }
    void allow() override { wanted = true; }
    std::optional<QString> removeFromFolder(const QString& folder) override {
        removedFrom.push_back(folder);
        return failure;
    }

    bool wanted;
    std::optional<QString> failure;
    std::vector<QString> removedFrom;
};

} // namespace tallyglass::testing
