#pragma once

#include <string_view>

namespace tallyglass {

// The statusline helper's text, exactly the bytes of statusline-usage.js, embedded at build
// time. The installation writes it unchanged to the Claude folder on every run.
extern const std::string_view statuslineScript;

} // namespace tallyglass
