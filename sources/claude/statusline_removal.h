#pragma once

#include "core/helper_switch.h"

#include <QString>

#include <vector>

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

struct FolderRemoval {
    QString folder;
    HelperRemoval removal;
};

// The user's request, for every Claude folder: stops adding the helper and removes it from
// each. When it could be removed from none of them, it stays named, and so wanted, as before.
std::vector<FolderRemoval> takeHelperOut();
// Why removals failed, one sentence per folder, one per line; empty when none failed.
QString removalFailureText(const std::vector<FolderRemoval>& removals);

// The switch for the current home: removing also stops adding.
class ClaudeHelperSwitch final : public HelperSwitch {
public:
    bool isWanted() const override;
    std::optional<QString> remove() override;
    void allow() override;
    std::optional<QString> removeFromFolder(const QString& folder) override;
};

} // namespace tallyglass
