#include "source_kind.h"

namespace tallyglass {

std::string_view rawValue(SourceKind kind) {
    return kind == SourceKind::codex ? "codex" : "claude";
}

std::optional<SourceKind> sourceKindFromRaw(std::string_view raw) {
    for (SourceKind kind : allSourceKinds) {
        if (rawValue(kind) == raw)
            return kind;
    }
    return std::nullopt;
}

} // namespace tallyglass
