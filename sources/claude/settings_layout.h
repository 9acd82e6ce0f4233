#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallyglass {

// One member set anew: the keys leading to it from the top-level object, and its value as
// JSON text.
struct SettingsEdit {
    std::vector<std::string> path;
    std::string value;
};

// The settings file in its written layout: indented by two, the members of every object sorted
// by key (the last of equal keys kept), "/" in strings written as "\/", and every number
// exactly as it was written, so that no tool reading the file finds a value changed. text must
// be JSON that was checked strict, with at most a modest nesting depth. The edit replaces the
// member at its path, or adds it where the objects on the way exist; an empty value removes it.
// Holds the text's structure in a few bytes per value rather than as a tree of values.
std::optional<std::string> rewrittenSettings(std::string_view text, const SettingsEdit& edit);

// The text of the top-level member key of the JSON object in text; none when it is absent.
std::optional<std::string_view> topLevelMember(std::string_view text, std::string_view key);

} // namespace tallyglass
