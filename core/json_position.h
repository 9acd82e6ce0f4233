#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tallyglass {

// A place in a text, both counted from 1; columns count characters, not bytes.
struct TextPosition {
    int line = 1;
    int column = 1;
    friend bool operator==(const TextPosition&, const TextPosition&) = default;
};

// Where the bytes stop being strict JSON (no comments, no trailing commas, no byte order mark,
// no NUL byte); none when they are a JSON text. Empty bytes fail at line 1, column 1. Nesting
// deeper than maximumDepth sets tooDeep and stops there.
struct JsonCheck {
    std::optional<TextPosition> syntaxError;
    bool tooDeep = false;
};
JsonCheck checkJson(std::string_view bytes, int maximumDepth);

// A member of the wrong JSON type as users read it: "a.b" is a string, expected a number. The
// empty member is the top level; typeName is the JSON name of the type found ("null",
// "boolean", "number", "string", "object" or "array").
std::string wrongTypeText(std::string_view member, std::string_view typeName,
                          std::string_view expected);

} // namespace tallyglass
