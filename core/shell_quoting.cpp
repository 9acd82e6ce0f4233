#include "shell_quoting.h"

namespace tallyglass {

std::string escapedForDoubleQuotes(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        if (c == '"' || c == '$' || c == '`' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

} // namespace tallyglass
