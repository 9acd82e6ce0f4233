#include "rollout_diagnosis.h"

#include "rollout_parsing.h"
#include "timestamp_parsing.h"

#include "core/json_position.h"

namespace tallyglass {
namespace {

using Json = nlohmann::json;

const Json* member(const Json& object, const char* name) {
    const auto found = object.find(name);
    return found == object.end() ? nullptr : &*found;
}

// Why a record is no rate-limit event the reading could come from, before its windows are
// looked at; none when it is one.
std::optional<std::string> eventProblem(const Json& record, const Json& payload) {
    const Json* limits = member(payload, "rate_limits");
    if (!limits)
        return "\"payload.rate_limits\" is missing";
    if (!limits->is_object())
        return wrongTypeText("payload.rate_limits", limits->type_name(), "an object");
    const Json* primary = member(*limits, "primary");
    const Json* secondary = member(*limits, "secondary");
    if (!(primary && primary->is_object()) && !(secondary && secondary->is_object())) {
        if (!primary && !secondary)
            return "\"payload.rate_limits\" has neither \"primary\" nor \"secondary\"";
        return wrongTypeText(primary ? "payload.rate_limits.primary"
                                     : "payload.rate_limits.secondary",
                             (primary ? primary : secondary)->type_name(), "an object");
    }
    const Json* stamp = member(record, "timestamp");
    if (!stamp)
        return "\"timestamp\" is missing";
    if (!stamp->is_string())
        return wrongTypeText("timestamp", stamp->type_name(), "a string");
    if (!parseTimestamp(stamp->get_ref<const std::string&>()))
        return "\"timestamp\" is not an ISO 8601 date and time with a time zone";
    return std::nullopt;
}

// Why neither window of an event holds a percentage or a reset time; none when one does.
std::optional<std::string> windowsProblem(const Json& limits) {
    std::optional<std::string> problem;
    for (const char* slot : {"primary", "secondary"}) {
        const Json* window = member(limits, slot);
        const std::string path = std::string("payload.rate_limits.") + slot;
        if (window && !window->is_object() && !window->is_null() && !problem)
            problem = wrongTypeText(path, window->type_name(), "an object");
        if (!window || !window->is_object())
            continue;
        if (parseWindow(window, 0))
            return std::nullopt;
        // Any of these that is there has the wrong type, or the window would be usable.
        for (const char* name : {"used_percent", "resets_at", "resets_in_seconds"})
            if (const Json* value = member(*window, name); value && !problem)
                problem = wrongTypeText(path + '.' + name, value->type_name(), "a number");
        if (!problem)
            problem = '"' + path + "\" has neither \"used_percent\" nor \"resets_at\"";
    }
    return problem;
}

} // namespace

std::optional<std::string> unusableEventReason(std::span<const std::string_view> lines) {
    // The reading comes from the latest record that is an event; failing that, the latest
    // record of the type tells why none is.
    std::optional<std::string> noEvent;
    for (std::size_t index = lines.size(); index-- > 0;) {
        if (lines[index].find(rolloutEventMarker) == std::string_view::npos)
            continue;
        const Json record = parseRecord(lines[index]);
        const Json* payload = record.is_object() ? member(record, "payload") : nullptr;
        const Json* type = payload && payload->is_object() ? member(*payload, "type") : nullptr;
        if (!type || *type != "token_count")
            continue;
        if (auto problem = eventProblem(record, *payload)) {
            noEvent = noEvent ? noEvent : problem;
            continue;
        }
        return windowsProblem(*member(*payload, "rate_limits"));
    }
    return noEvent;
}

} // namespace tallyglass
