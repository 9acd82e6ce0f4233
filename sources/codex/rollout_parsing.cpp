#include "rollout_parsing.h"

#include "timestamp_parsing.h"

#include <array>
#include <cstring>

namespace tallyglass {
namespace {

using Json = nlohmann::json;

struct LatestEvent {
    double timestamp;
    std::string stamp; // the text, kept when it is in Codex's usual form
    Json limits;
};

// How Codex begins every line: {"timestamp":"2025-12-08T16:20:44.907Z", in UTC.
constexpr std::string_view stampPrefix = "{\"timestamp\":\"";
constexpr std::string_view usualStampShape = "dddd-dd-ddTdd:dd:dd.dddZ";

bool contains(std::string_view line, std::string_view marker) {
    // glibc's memmem is several times faster than string_view::find here, because the
    // marker's first character, a quote, occurs everywhere in JSON.
    return memmem(line.data(), line.size(), marker.data(), marker.size()) != nullptr;
}

bool hasUsualStampShape(std::string_view stamp) {
    if (stamp.size() != usualStampShape.size())
        return false;
    for (std::size_t i = 0; i < stamp.size(); ++i)
        if (usualStampShape[i] == 'd' ? stamp[i] < '0' || stamp[i] > '9'
                                      : stamp[i] != usualStampShape[i])
            return false;
    return true;
}

// Whether the line's event, if it is one, cannot be later than the best event so far, judged
// from the text alone: stamps of the usual form sort as their instants do. The line must
// start with its stamp, hold no backslash (so no key hides behind an escape) and name
// "timestamp" only once (so no duplicate member replaces the first).
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
        return key == "plan_type" ? Node::leaf : Node::skip;
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

Json parseRecord(std::string_view line) {
    RecordFilter filter;
    return Json::parse(
        line.data(), line.data() + line.size(),
        [&filter](int depth, Json::parse_event_t event, Json& parsed) {
            return filter.keep(depth, event, parsed);
        },
        false);
}

const Json* member(const Json& object, const char* name) {
    const auto found = object.find(name);
    return found == object.end() ? nullptr : &*found;
}

std::optional<double> number(const Json& object, const char* name) {
    const Json* value = member(object, name);
    return value && value->is_number() ? std::optional(value->get<double>()) : std::nullopt;
}

std::optional<LatestEvent> rateLimitEvent(Json& record, Json& payload) {
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
    return LatestEvent{*timestamp, std::move(text), std::move(*limits)};
}

std::optional<UsageSnapshot> snapshotFromEvent(const LatestEvent& event,
                                               std::optional<std::string> model) {
    UsageSnapshot snapshot;
    if (auto window = parseWindow(member(event.limits, "primary"), event.timestamp))
        snapshot.windows.emplace("five_hour", *window);
    if (auto window = parseWindow(member(event.limits, "secondary"), event.timestamp))
        snapshot.windows.emplace("seven_day", *window);
    if (snapshot.windows.empty())
        return std::nullopt;
    if (const Json* plan = member(event.limits, "plan_type"); plan && plan->is_string())
        snapshot.planType = plan->get<std::string>();
    snapshot.updatedAt = event.timestamp;
    snapshot.model = std::move(model);
    return snapshot;
}

} // namespace

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
    return window;
}

std::optional<UsageSnapshot> parseRolloutLines(std::span<const std::string_view> lines) {
    // Scanned from the end, where the latest event and model usually stand: earlier events are
    // then passed over by their stamps' text, and context lines once a model is known. Taking
    // an event on an equal time keeps the earliest of equal events, and the first model found
    // is the file's last, just as a forward scan would have it.
    std::optional<std::string> model;
    std::optional<LatestEvent> best;
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        const bool isEvent =
            contains(*line, rolloutEventMarker) && !(best && stampedBefore(*line, best->stamp));
        const bool isContext = !model && contains(*line, rolloutContextMarker);
        if (!isEvent && !isContext)
            continue;
        Json record = parseRecord(*line);
        if (!record.is_object())
            continue;
        const auto payload = record.find("payload");
        if (payload == record.end() || !payload->is_object())
            continue;
        if (const Json* name = isContext ? member(*payload, "model") : nullptr;
            name && name->is_string() && !name->get_ref<const std::string&>().empty())
            model = name->get<std::string>();
        if (!isEvent)
            continue;
        auto event = rateLimitEvent(record, *payload);
        if (event && (!best || event->timestamp >= best->timestamp))
            best = std::move(event);
    }
    if (!best)
        return std::nullopt;
    return snapshotFromEvent(*best, std::move(model));
}

} // namespace tallyglass
