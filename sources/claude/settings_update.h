#pragma once

#include "json_position.h"

#include "core/setup_report.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tallyglass {

// What one installation run does with Claude Code's settings, decided from the bytes of
// settings.json alone (empty bytes for an absent file).
struct SettingsPlan {
    enum class Action {
        leaveAlone, // the helper is installed, or the file is not a JSON object we can keep
        install,
        // Our own command whose runner is gone: only "command" is replaced, and the chained
        // command stays where it is.
        repoint,
    };
    Action action = Action::leaveAlone;
    // For install: the earlier, foreign command to save as the chained one, trimmed; none
    // when a chained command from an earlier installation is to go.
    std::optional<std::string> chainedCommand;
    // For install: the new settings.json, every member but "statusLine" keeping its value.
    std::string settingsBytes;
    // For leaveAlone: why the settings cannot take the helper (none when it is in place), and
    // for text that is not JSON, where.
    SetupReport::Problem refusal = SetupReport::Problem::none;
    TextPosition errorAt = {};
};

// Larger settings files are left alone: rewriting one takes up to 14 times its size in memory.
inline constexpr std::size_t maxSettingsBytes = 16 * 1024 * 1024;

// The new bytes are indented, with the keys of every object sorted, "/" written as "\/" and
// every number as it was written.
// Text that is not strict JSON (comments, trailing commas, a NUL byte or a byte order mark
// included), a top level that is not an object, nesting deeper than the writer can take, or
// more than maxSettingsBytes leaves everything alone.
//
// A command of this helper's own that isStaleCommand picks out (its runner is gone: the app
// was moved, or the build folder it ran from deleted) would leave Claude Code without a status
// line for good; it is repointed at helperCommand.
SettingsPlan planSettingsUpdate(std::string_view settingsBytes, std::string_view helperCommand,
                                const std::function<bool(const std::string&)>& isStaleCommand = {});

// The member that names helperCommand as the status-line command, as a user adds it by hand:
// "statusLine": { "type": "command", "command": "…" }.
std::string statusLineMember(std::string_view helperCommand);

// What taking the helper out does with Claude Code's settings.
struct RemovalPlan {
    enum class Action {
        keep,     // the settings do not name the helper: they stay as they are
        rewrite,  // settingsBytes name the user's own command again, or no "statusLine"
        unusable, // not a JSON object we can keep: nothing may be touched
    };
    Action action = Action::unusable;
    std::string settingsBytes;
};

// Written as planSettingsUpdate writes. chainedCommand: the user's command the helper ran
// (empty for none, and then "statusLine" goes); it replaces our "command", and the other
// members of "statusLine" stay.
RemovalPlan planHelperRemoval(std::string_view settingsBytes, std::string_view chainedCommand);

} // namespace tallyglass
