#pragma once

#include "source_kind.h"

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace tallyglass {

// One source of the switch: its assistant and, for Claude Code, which of the user's Claude
// folders. Folder 0 is the assistant's own (the Claude folder Claude Code picks); further
// folders the user added are numbered from 2 in the order they were added.
struct SourceId {
    SourceKind kind = SourceKind::claude;
    int folder = 0;

    // On purpose not explicit: a kind stands for its own folder's source.
    SourceId(SourceKind kind = SourceKind::claude, int folder = 0)
        : kind(kind)
        , folder(folder) {}

    friend auto operator<=>(const SourceId&, const SourceId&) = default;
};

// The stored form and the name that picks the source everywhere: "claude", "codex", and
// "claude-2" and on for further Claude folders.
std::string storedForm(const SourceId& source);
// Accepts exactly the stored forms; a further folder's number is not checked against the folders.
std::optional<SourceId> sourceIdFromStored(std::string_view stored);

} // namespace tallyglass
