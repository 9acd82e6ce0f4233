#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace tallyglass {

// Which assistant is watched. The raw value is the identity and the stored form.
enum class SourceKind { claude, codex };

inline constexpr std::array<SourceKind, 2> allSourceKinds{SourceKind::claude, SourceKind::codex};

std::string_view rawValue(SourceKind kind);

// Accepts exactly "claude" and "codex": case-sensitive, no trimming.
std::optional<SourceKind> sourceKindFromRaw(std::string_view raw);

} // namespace tallyglass
