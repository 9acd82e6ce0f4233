#pragma once

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
    };
    Action action = Action::leaveAlone;
    // For install: the earlier, foreign command to save as the chained one, trimmed; none
    // when a chained command from an earlier installation is to go.
    std::optional<std::string> chainedCommand;
    // For install: the new settings.json, every member but "statusLine" keeping its value.
    std::string settingsBytes;
};

// The new bytes are indented, with the keys of every object sorted and "/" written as "\/".
// Text that is not strict JSON (comments and trailing commas included), a top level that is
// not an object, or nesting deeper than the writer can take leaves everything alone.
SettingsPlan planSettingsUpdate(std::string_view settingsBytes, std::string_view helperCommand);

} // namespace tallyglass
