#pragma once

#include <string>
#include <string_view>

namespace tallyglass {

// A member of the wrong JSON type as users read it: "a.b" is a string, expected a number. The
// empty member is the top level; typeName is the JSON name of the type found ("null",
// "boolean", "number", "string", "object" or "array").
std::string wrongTypeText(std::string_view member, std::string_view typeName,
                          std::string_view expected);

} // namespace tallyglass
