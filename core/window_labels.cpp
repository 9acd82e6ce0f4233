#include "window_labels.h"

#include "rounding.h"

#include <QCoreApplication>
#include <QString>

#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <algorithm>

namespace tallyglass {
namespace {

// "GPT-5.3-Codex-Spark (7d)": the family's own name, with the length when there is one.
std::string familyLabel(const std::string& family, std::optional<double> windowMinutes) {
    const auto duration = windowMinutes ? durationText(*windowMinutes) : std::nullopt;
    return duration ? family + " (" + *duration + ")" : family;
}

// Keys compare by Unicode scalar values after canonical normalisation; byte order of UTF-8
// is scalar order, so normalising to NFD and comparing bytes is enough.
std::string canonicalKey(std::string_view key) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status))
        return std::string(key);
    icu::UnicodeString text = icu::UnicodeString::fromUTF8(
        icu::StringPiece(key.data(), static_cast<int32_t>(key.size())));
    icu::UnicodeString normalised = nfd->normalize(text, status);
    if (U_FAILURE(status))
        return std::string(key);
    std::string out;
    normalised.toUTF8String(out);
    return out;
}

QString translated(const char* label) {
    return QCoreApplication::translate("WindowLabel", label);
}

// Where a window stands: the account's own windows by the rank of their key; then other limit
// families by their id, and within each its windows by the rank of the key after the id
// ("<limit_id>.seven_day"), as the account's own would stand. Keys of equal rank by their text.
struct Place {
    bool otherFamily;
    std::string family;
    int rank;
    std::string text;
    auto operator<=>(const Place&) const = default;
};

Place placeOf(std::string_view key, const UsageWindow& window) {
    std::string_view family;
    if (window.family) {
        const std::size_t dot = key.rfind('.');
        family = key.substr(0, dot);
        key = dot == std::string_view::npos ? std::string_view() : key.substr(dot + 1);
    }
    const auto& order = windowOrder();
    const int rank = static_cast<int>(std::find(order.begin(), order.end(), key) - order.begin());
    return {window.family.has_value(), family.empty() ? std::string() : canonicalKey(family), rank,
            rank < static_cast<int>(order.size()) ? std::string() : canonicalKey(key)};
}

} // namespace

std::string capitalisedWords(std::string_view text) {
    icu::UnicodeString words = icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    words.toTitle(nullptr, icu::Locale::getRoot());
    std::string out;
    words.toUTF8String(out);
    return out;
}

std::string readableName(std::string_view planType) {
    std::string words(planType);
    std::replace(words.begin(), words.end(), '_', ' ');
    return capitalisedWords(words);
}

const std::map<std::string, std::string, std::less<>>& windowLabels() {
    // The English texts; windowLabel looks up their translation.
    static const std::map<std::string, std::string, std::less<>> labels{
        {"five_hour", QT_TRANSLATE_NOOP("WindowLabel", "Current session (5h)")},
        {"seven_day", QT_TRANSLATE_NOOP("WindowLabel", "Weekly limit (7d)")},
        {"seven_day_opus", QT_TRANSLATE_NOOP("WindowLabel", "Weekly Opus limit")},
        {"seven_day_sonnet", QT_TRANSLATE_NOOP("WindowLabel", "Weekly Sonnet limit")},
        {"daily", QT_TRANSLATE_NOOP("WindowLabel", "Daily limit")},
        {"monthly", QT_TRANSLATE_NOOP("WindowLabel", "Monthly limit")},
    };
    return labels;
}

const std::vector<std::string>& windowOrder() {
    static const std::vector<std::string> order{"five_hour", "seven_day", "daily", "monthly"};
    return order;
}

std::optional<std::string> durationText(double minutes) {
    const auto whole = roundHalfAwayFromZero(minutes);
    if (!whole || *whole < 1)
        return std::nullopt;
    if (*whole % 1440 == 0)
        return std::to_string(*whole / 1440) + "d";
    if (*whole % 60 == 0)
        return std::to_string(*whole / 60) + "h";
    return std::to_string(*whole) + "m";
}

namespace {

// The label, with the window's length for %1, of the keys that carry it.
const char* lengthLabel(std::string_view key) {
    static const std::pair<std::string_view, const char*> labels[] = {
        {"five_hour", QT_TRANSLATE_NOOP("WindowLabel", "Current session (%1)")},
        {"seven_day", QT_TRANSLATE_NOOP("WindowLabel", "Weekly limit (%1)")},
        {"daily", QT_TRANSLATE_NOOP("WindowLabel", "Daily limit (%1)")},
        {"monthly", QT_TRANSLATE_NOOP("WindowLabel", "Monthly limit (%1)")},
    };
    for (const auto& [known, label] : labels)
        if (key == known)
            return label;
    return nullptr;
}

} // namespace

std::string windowLabel(std::string_view key, std::optional<double> windowMinutes) {
    if (const char* label = windowMinutes ? lengthLabel(key) : nullptr) {
        if (auto duration = durationText(*windowMinutes))
            return translated(label).arg(QString::fromStdString(*duration)).toStdString();
    }
    const auto& labels = windowLabels();
    if (auto found = labels.find(key); found != labels.end())
        return translated(found->second.c_str()).toStdString();
    return readableName(key);
}

std::vector<LabeledWindow> labeledWindows(const UsageSnapshot& snapshot) {
    struct Entry {
        Place place;
        const std::string* key;
        const UsageWindow* window;
    };
    std::vector<Entry> entries;
    entries.reserve(snapshot.windows.size());
    for (const auto& [key, window] : snapshot.windows)
        entries.push_back({placeOf(key, window), &key, &window});
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.place < b.place; });
    std::vector<LabeledWindow> result;
    result.reserve(entries.size());
    for (const Entry& entry : entries) {
        const UsageWindow& window = *entry.window;
        result.push_back({*entry.key,
                          window.family ? familyLabel(*window.family, window.windowMinutes)
                                        : windowLabel(*entry.key, window.windowMinutes),
                          window});
    }
    return result;
}

std::optional<std::string> menuBarSummary(const std::optional<UsageSnapshot>& snapshot) {
    if (!snapshot)
        return std::nullopt;
    return menuBarSummary(labeledWindows(*snapshot));
}

namespace {

// The figures of the first two windows in display order that belong to the account's own
// limits; other limit families sort last and never stand in the summary.
std::vector<std::string> summaryFigures(const std::vector<LabeledWindow>& windows) {
    std::vector<std::string> figures;
    for (double percentage : summaryPercentages(windows))
        figures.push_back(percentFigure(percentage));
    return figures;
}

std::optional<std::string> joinedFigures(const std::vector<std::string>& figures) {
    if (figures.empty())
        return std::nullopt;
    std::string summary = figures.front();
    for (std::size_t i = 1; i < figures.size(); ++i)
        summary += " \u00B7 " + figures[i];
    return summary;
}

} // namespace

std::vector<double> summaryPercentages(const std::vector<LabeledWindow>& windows) {
    std::vector<double> percentages;
    for (std::size_t i = 0; i < windows.size() && i < 2 && !windows[i].window.family; ++i) {
        if (const auto& percentage = windows[i].window.usedPercentage)
            percentages.push_back(*percentage);
    }
    return percentages;
}

std::optional<std::string> menuBarSummary(const std::vector<LabeledWindow>& windows) {
    return joinedFigures(summaryFigures(windows));
}

std::string_view assistantMark(SourceKind kind) {
    return kind == SourceKind::codex ? "X" : "C";
}

std::optional<std::string> bothAssistantsSummary(const std::optional<UsageSnapshot>& claude,
                                                 const std::optional<UsageSnapshot>& codex) {
    return markedSummary({{std::string(assistantMark(SourceKind::claude)), claude},
                          {std::string(assistantMark(SourceKind::codex)), codex}});
}

std::optional<std::string>
markedSummary(const std::vector<std::pair<std::string, std::optional<UsageSnapshot>>>& readings) {
    std::vector<std::string> marked;
    for (const auto& [mark, snapshot] : readings) {
        if (!snapshot)
            continue;
        const auto figures = summaryFigures(labeledWindows(*snapshot));
        if (!figures.empty())
            marked.push_back(mark + ' ' + figures.front());
    }
    return joinedFigures(marked);
}

} // namespace tallyglass
