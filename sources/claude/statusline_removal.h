#pragma once

#include "core/helper_switch.h"

#include <QString>

namespace tallyglass {

enum class HelperRemoval {
    removed,         // settings.json names the user's own command again, or none
    nothingToRemove, // settings.json did not name the helper, and none of its files was there
    unusableSettings,
    failedWrite,
};

// Puts back the command the helper chained ("statusLine" goes when there was none), keeping
// every other member of settings.json, then deletes the script, the chain file and the
// snapshot. Settings that cannot be read or written keep every file, the chain file above all.
HelperRemoval removeStatuslineHelper(const QString& claudeFolder);

// Why a removal failed, as one sentence for the user; empty for success.
QString removalFailureText(HelperRemoval removal, const QString& claudeFolder);

// Whether the Claude source may add the helper; kept in the user defaults.
bool isHelperWanted();
void setHelperWanted(bool wanted);

// The user's request, for the current home: stops adding the helper and removes it. A failed
// removal leaves the helper named, and so wanted, as before.
HelperRemoval takeHelperOut();

// The switch for the current home: removing also stops adding.
class ClaudeHelperSwitch final : public HelperSwitch {
public:
    bool isWanted() const override;
    std::optional<QString> remove() override;
    void allow() override;
};

} // namespace tallyglass
