#pragma once

#include "source_kind.h"
#include "usage_records.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallyglass {

// The fixed labels of the known window keys, built once.
const std::map<std::string, std::string, std::less<>>& windowLabels();

// The keys ranked first in display order; every other key ranks after them.
const std::vector<std::string>& windowOrder();

// "5h", "7d", "25h", "90m"; none for lengths that round below one minute.
std::optional<std::string> durationText(double minutes);

// The first letter of every word in upper case and the others in lower case, by the Unicode
// rules ("pro" becomes "Pro", "PLUS" becomes "Plus").
std::string capitalisedWords(std::string_view text);

// An identifier as words: underscores read as spaces, then capitalised word by word
// ("self_serve_business_usage_based" becomes "Self Serve Business Usage Based").
std::string readableName(std::string_view planType);

std::string windowLabel(std::string_view key, std::optional<double> windowMinutes);

// One entry per window of the snapshot, in display order; windows of another limit family
// last, labelled with the family's name and their length.
std::vector<LabeledWindow> labeledWindows(const UsageSnapshot& snapshot);

// "42% · 17%" from the first two windows in display order that belong to the account's own
// limits; none when neither has a figure.
std::optional<std::string> menuBarSummary(const std::optional<UsageSnapshot>& snapshot);
// The same from windows already labelled and ordered.
std::optional<std::string> menuBarSummary(const std::vector<LabeledWindow>& windows);
// The figures of that summary, as stored.
std::vector<double> summaryPercentages(const std::vector<LabeledWindow>& windows);

// The letter that marks an assistant's figure where both stand together: "C", "X".
std::string_view assistantMark(SourceKind kind);

// Both assistants at once, each by its mark and the first figure of its own summary:
// "C 42% · X 12%"; an assistant without a figure is left out, and none when neither has one.
std::optional<std::string> bothAssistantsSummary(const std::optional<UsageSnapshot>& claude,
                                                 const std::optional<UsageSnapshot>& codex);
// The same for any sources, each by the mark given with its reading: "C 42% · C2 7% · X 12%".
std::optional<std::string>
markedSummary(const std::vector<std::pair<std::string, std::optional<UsageSnapshot>>>& readings);

} // namespace tallyglass
