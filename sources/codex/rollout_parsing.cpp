#include "rollout_parsing.h"

#include "timestamp_parsing.h"

#include <array>
#include <cstring>
#include <map>

namespace tallyglass {
namespace {

using Json = nlohmann::json;

struct LatestEvent {
    double timestamp;
    std::string stamp; // the text, kept when it is in Codex's usual form
    std::size_t line;
    Json limits;
};

// The latest event of each limit family so far, by "limit_id"; the account's own under "".
using FamilyBests = std::map<std::string, LatestEvent, std::less<>>;

// How Codex begins every line: {"timestamp":"2025-12-08T16:20:44.907Z", in UTC.
constexpr std::string_view stampPrefix = "{\"timestamp\":\"";
constexpr std::string_view limitIdKey = "\"limit_id\"";

bool contains(std::string_view line, std::string_view marker) {
    // glibc's memmem is several times faster than string_view::find here, because the
    // marker's first character, a quote, occurs everywhere in JSON.
    return memmem(line.data(), line.size(), marker.data(), marker.size()) != nullptr;
}

// Whether the line's event, if it is one, cannot be later than stamp, judged from the text
// alone: stamps of the usual form sort as their instants do. The line must start with its
// stamp, hold no backslash (so no key hides behind an escape) and name "timestamp" only once
// (so no duplicate member replaces the first).
bool stampedBefore(std::string_view line, std::string_view bestStamp) {
    if (bestStamp.empty() || !line.starts_with(stampPrefix))
        return false;
    const std::string_view stamp = line.substr(stampPrefix.size(), usualStampShape.size());
    const std::size_t quote = stampPrefix.size() + usualStampShape.size();
    if (line.size() <= quote || line[quote] != '"' || !hasUsualStampShape(stamp) ||
        !(stamp < bestStamp))
        return false;
    return std::memchr(line.data(), '\\', line.size()) == nullptr &&
           !contains(line.substr(2), "\"timestamp\"");
}

// The family a line without backslashes names in its text: the account's ("") when it names
// no "limit_id" or a null or "codex" one; X for a single "limit_id":"X", which may also stand
// outside "rate_limits" and so leave the event the account's. None when the text leaves it open.
std::optional<std::string_view> mentionedFamily(std::string_view line) {
    const std::size_t at = line.find(limitIdKey);
    if (at == std::string_view::npos)
        return "";
    std::string_view value = line.substr(at + limitIdKey.size());
    if (contains(value, limitIdKey) || !value.starts_with(':'))
        return std::nullopt;
    value.remove_prefix(1);
    if (value.starts_with("null"))
        return "";
    const std::size_t end = value.find('"', 1);
    if (!value.starts_with('"') || end == std::string_view::npos)
        return std::nullopt;
    const std::string_view id = value.substr(1, end - 1);
    return id == "codex" ? "" : id;
}

// Whether the line can be passed over unparsed: it is stamped before the latest event of
// every family it may belong to.
bool passedOver(std::string_view line, const FamilyBests& best) {
    const auto account = best.find("");
    if (account == best.end() || !stampedBefore(line, account->second.stamp))
        return false;
    const auto family = mentionedFamily(line);
    if (!family)
        return false;
    if (family->empty())
        return true;
    const auto other = best.find(*family);
    return other != best.end() && stampedBefore(line, other->second.stamp);
}

// Which part of a record a JSON value is. Everything a rollout line holds besides these few
// members (token totals, long instructions, hostile nesting) is parsed but never stored.
enum class Node : unsigned char { skip, top, payload, rateLimits, window, leaf };

Node childNode(Node parent, const std::string& key) {
    switch (parent) {
    case Node::top:
        return key == "timestamp" ? Node::leaf : key == "payload" ? Node::payload : Node::skip;
    case Node::payload:
        if (key == "type" || key == "model")
            return Node::leaf;
        return key == "rate_limits" ? Node::rateLimits : Node::skip;
    case Node::rateLimits:
        if (key == "primary" || key == "secondary")
            return Node::window;
        return key == "plan_type" || key == "limit_id" || key == "limit_name" ? Node::leaf
                                                                              : Node::skip;
    case Node::window:
        return key == "used_percent" || key == "window_minutes" || key == "resets_at" ||
                       key == "resets_in_seconds"
                   ? Node::leaf
                   : Node::skip;
    default:
        return Node::skip;
    }
}

// Tracks the node of each open level for nlohmann's parser callback: a key sets the node of
// the value that follows it at the same depth; array elements are never wanted.
class RecordFilter {
public:
    bool keep(int depth, Json::parse_event_t event, const Json& parsed) {
        using Event = Json::parse_event_t;
        switch (event) {
        case Event::object_end:
        case Event::array_end:
            return true;
        case Event::key:
            set(depth, childNode(at(depth - 1), parsed.get_ref<const std::string&>()));
            return at(depth) != Node::skip;
        case Event::object_start:
            if (depth == 0)
                set(0, Node::top);
            return at(depth) != Node::skip;
        case Event::array_start:
            set(depth + 1, Node::skip);
            return depth > 0 && at(depth) != Node::skip;
        case Event::value:
            return at(depth) != Node::skip;
        }
        return false;
    }

private:
    Node at(int depth) const {
        return depth >= 0 && depth < static_cast<int>(m_nodes.size()) ? m_nodes[depth] : Node::skip;
    }
    void set(int depth, Node node) {
        if (depth >= 0 && depth < static_cast<int>(m_nodes.size()))
            m_nodes[depth] = node;
    }

    // top, payload, rate_limits, window, window member: nothing deeper is kept.
    std::array<Node, 5> m_nodes{};
};

const Json* member(const Json& object, const char* name) {
    const auto found = object.find(name);
    return found == object.end() ? nullptr : &*found;
}

std::optional<double> number(const Json& object, const char* name) {
    const Json* value = member(object, name);
    return value && value->is_number() ? std::optional(value->get<double>()) : std::nullopt;
}

std::optional<LatestEvent> rateLimitEvent(Json& record, Json& payload, std::size_t line) {
    const Json* type = member(payload, "type");
    if (!type || !type->is_string() || type->get_ref<const std::string&>() != "token_count")
        return std::nullopt;
    const auto limits = payload.find("rate_limits");
    if (limits == payload.end() || !limits->is_object())
        return std::nullopt;
    const Json* primary = member(*limits, "primary");
    const Json* secondary = member(*limits, "secondary");
    if (!(primary && primary->is_object()) && !(secondary && secondary->is_object()))
        return std::nullopt;
    const Json* stamp = member(record, "timestamp");
    if (!stamp || !stamp->is_string())
        return std::nullopt;
    const auto timestamp = parseTimestamp(stamp->get_ref<const std::string&>());
    if (!timestamp)
        return std::nullopt;
    std::string text = stamp->get<std::string>();
    if (!hasUsualStampShape(text))
        text.clear();
    return LatestEvent{*timestamp, std::move(text), line, std::move(*limits)};
}

std::optional<std::string> text(const Json& object, const char* name) {
    const Json* value = member(object, name);
    return value && value->is_string() ? std::optional(value->get<std::string>()) : std::nullopt;
}

// Codex itself reads a missing or null "limit_id" as its account's own, "codex".
std::string familyOf(const Json& limits) {
    std::string id = text(limits, "limit_id").value_or("");
    return id == "codex" ? std::string() : id;
}

std::optional<FamilyEvent> familyEvent(const std::string& id, const LatestEvent& event) {
    FamilyEvent family;
    family.primary = parseWindow(member(event.limits, "primary"), event.timestamp);
    family.secondary = parseWindow(member(event.limits, "secondary"), event.timestamp);
    if (!family.primary && !family.secondary)
        return std::nullopt;
    family.limitId = id;
    family.name = text(event.limits, "limit_name").value_or("");
    if (family.name.empty())
        family.name = id;
    family.timestamp = event.timestamp;
    family.line = event.line;
    family.planType = text(event.limits, "plan_type");
    return family;
}

} // namespace

Json parseRecord(std::string_view line) {
    RecordFilter filter;
    return Json::parse(
        line.data(), line.data() + line.size(),
        [&filter](int depth, Json::parse_event_t event, Json& parsed) {
            return filter.keep(depth, event, parsed);
        },
        false);
}

std::optional<UsageWindow> parseWindow(const Json* value, double eventTime) {
    if (!value || !value->is_object())
        return std::nullopt;
    UsageWindow window;
    window.usedPercentage = number(*value, "used_percent");
    window.windowMinutes = number(*value, "window_minutes");
    window.resetsAt = number(*value, "resets_at");
    if (!window.resetsAt) {
        if (auto delay = number(*value, "resets_in_seconds"))
            window.resetsAt = eventTime + *delay;
    }
    if (!window.usedPercentage && !window.resetsAt)
        return std::nullopt;
    window.usedPercentage = plausiblePercentage(window.usedPercentage);
    return window;
}

RolloutEvents parseRolloutLines(std::span<const std::string_view> lines) {
    // Scanned from the end, where the latest events and model usually stand: earlier events
    // are then passed over by their stamps' text, and context lines once a model is known.
    // Taking an event on an equal time keeps the earliest of equal events, and the first model
    // found is the file's last, just as a forward scan would have it.
    RolloutEvents found;
    FamilyBests best;
    for (std::size_t index = lines.size(); index-- > 0;) {
        const std::string_view line = lines[index];
        const bool isEvent = contains(line, rolloutEventMarker) && !passedOver(line, best);
        const bool isContext = !found.model && contains(line, rolloutContextMarker);
        if (!isEvent && !isContext)
            continue;
        Json record = parseRecord(line);
        if (!record.is_object())
            continue;
        const auto payload = record.find("payload");
        if (payload == record.end() || !payload->is_object())
            continue;
        if (const Json* name = isContext ? member(*payload, "model") : nullptr;
            name && name->is_string() && !name->get_ref<const std::string&>().empty())
            found.model = name->get<std::string>();
        auto event = isEvent ? rateLimitEvent(record, *payload, index) : std::nullopt;
        if (!event)
            continue;
        const std::string id = familyOf(event->limits);
        const auto known = best.find(id);
        if (known == best.end())
            best.emplace(id, std::move(*event));
        else if (event->timestamp >= known->second.timestamp)
            known->second = std::move(*event);
    }
    // A family whose latest event has no usable window shows nothing; its earlier events are
    // not looked at again.
    for (const auto& [id, event] : best)
        if (auto family = familyEvent(id, event))
            found.families.push_back(std::move(*family));
    return found;
}

} // namespace tallyglass
