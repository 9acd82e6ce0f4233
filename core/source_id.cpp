#include "source_id.h"

#include <charconv>

namespace tallyglass {

std::string storedForm(const SourceId& source) {
    std::string form(rawValue(source.kind));
    if (source.folder != 0)
        form += '-' + std::to_string(source.folder);
    return form;
}

std::optional<SourceId> sourceIdFromStored(std::string_view stored) {
    if (const auto kind = sourceKindFromRaw(stored))
        return SourceId(*kind);
    constexpr std::string_view prefix = "claude-";
    if (!stored.starts_with(prefix))
        return std::nullopt;
    const std::string_view digits = stored.substr(prefix.size());
    int folder = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), folder);
    // "claude-02" or "claude-+2" would name the same source twice.
    if (error != std::errc() || end != digits.data() + digits.size() || folder < 2 ||
        digits.front() == '0')
        return std::nullopt;
    return SourceId(SourceKind::claude, folder);
}

} // namespace tallyglass
