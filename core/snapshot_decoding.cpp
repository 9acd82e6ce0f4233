#include "snapshot_decoding.h"

#include "json_position.h"

#include <nlohmann/json.hpp>

#include <variant>
#include <vector>

namespace tallyglass {
namespace {

using Json = nlohmann::json;

struct Null {};
struct Other {}; // a boolean, or binary data
struct Container {
    bool isObject;
};
using Value = std::variant<Null, Other, double, std::string, Container>;

std::string_view typeName(const Value& value) {
    if (const auto* container = std::get_if<Container>(&value))
        return container->isObject ? "object" : "array";
    constexpr std::string_view names[] = {"null", "boolean", "number", "string"};
    return names[value.index()];
}

// Builds the snapshot straight from parser events, so unknown members are never stored and a
// wrong type stops the parse at once.
class SnapshotHandler {
public:
    bool null() { return onValue(Null{}); }
    bool boolean(bool) { return onValue(Other{}); }
    bool number_integer(Json::number_integer_t v) { return onValue(static_cast<double>(v)); }
    bool number_unsigned(Json::number_unsigned_t v) { return onValue(static_cast<double>(v)); }
    bool number_float(Json::number_float_t v, const std::string&) { return onValue(v); }
    bool string(std::string& v) { return onValue(std::move(v)); }
    bool binary(Json::binary_t&) { return onValue(Other{}); }
    bool start_object(std::size_t) { return onValue(Container{true}); }
    bool start_array(std::size_t) { return onValue(Container{false}); }
    bool end_object() { return pop(); }
    bool end_array() { return pop(); }
    bool key(std::string& name) {
        m_stack.back().key = std::move(name);
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) {
        m_problem = "it is not valid JSON";
        return false;
    }

    std::optional<UsageSnapshot> result();
    const std::string& problem() const { return m_problem; }

private:
    enum class Kind { Top, Windows, Window, LegacyWindow, Skip };
    struct Frame {
        Kind kind;
        UsageWindow* window = nullptr;
        std::string key;
    };

    bool pop() {
        m_stack.pop_back();
        return true;
    }
    bool push(Kind kind, UsageWindow* window = nullptr) {
        m_stack.push_back(Frame{kind, window, {}});
        return true;
    }
    // Containers that are not looked into are still walked, as frames that ignore everything.
    bool skip(const Value& value) {
        return std::holds_alternative<Container>(value) ? push(Kind::Skip) : true;
    }
    // Names the member being read by its path from the top ("windows.five_hour.resets_at").
    std::string wrongType(const Value& value, std::string_view expected) const {
        std::string path;
        for (const Frame& frame : m_stack)
            path += (path.empty() ? "" : ".") + frame.key;
        return wrongTypeText(path, typeName(value), expected);
    }
    bool reject(const Value& value, std::string_view expected) {
        m_problem = wrongType(value, expected);
        return false;
    }

    bool onValue(Value value);
    bool onTopMember(const std::string& key, Value& value);
    bool onWindowsMember(const std::string& key, const Value& value);
    bool onWindowMember(Frame& frame, const Value& value);

    std::vector<Frame> m_stack;
    bool m_started = false;
    std::optional<double> m_updatedAt;
    std::optional<std::string> m_model;
    std::optional<std::string> m_planType;
    bool m_hasWindows = false;
    std::map<std::string, UsageWindow> m_windows;
    std::map<std::string, UsageWindow> m_legacyWindows;
    std::string m_legacyProblem; // the first fault in the earlier layout
    std::string m_problem;
};

bool SnapshotHandler::onValue(Value value) {
    if (!m_started) {
        m_started = true;
        const auto* container = std::get_if<Container>(&value);
        return container && container->isObject ? push(Kind::Top) : reject(value, "an object");
    }
    Frame& frame = m_stack.back();
    switch (frame.kind) {
    case Kind::Top:
        return onTopMember(frame.key, value);
    case Kind::Windows:
        return onWindowsMember(frame.key, value);
    case Kind::Window:
    case Kind::LegacyWindow:
        return onWindowMember(frame, value);
    case Kind::Skip:
        break;
    }
    return skip(value);
}

bool SnapshotHandler::onTopMember(const std::string& key, Value& value) {
    const bool isNull = std::holds_alternative<Null>(value);
    const auto* container = std::get_if<Container>(&value);
    if (key == "updated_at") {
        if (const auto* number = std::get_if<double>(&value))
            m_updatedAt = *number;
        else if (isNull)
            m_updatedAt.reset();
        else
            return reject(value, "a number");
        return true;
    }
    if (key == "model" || key == "plan_type") {
        auto& field = key == "model" ? m_model : m_planType;
        if (auto* text = std::get_if<std::string>(&value))
            field = std::move(*text);
        else if (isNull)
            field.reset();
        else
            return reject(value, "a string");
        return true;
    }
    if (key == "windows") {
        if (isNull) {
            m_hasWindows = false;
            return true;
        }
        if (!container || !container->isObject)
            return reject(value, "an object");
        m_hasWindows = true;
        m_windows.clear();
        return push(Kind::Windows);
    }
    if (key == "five_hour" || key == "seven_day") {
        // The earlier layout counts only when "windows" is absent or null, which is known at
        // the end: a fault here is remembered instead of rejecting at once.
        m_legacyWindows.erase(key);
        if (container && container->isObject)
            return push(Kind::LegacyWindow, &m_legacyWindows[key]);
        if (!isNull && m_legacyProblem.empty())
            m_legacyProblem = wrongType(value, "an object");
        return skip(value);
    }
    return skip(value);
}

bool SnapshotHandler::onWindowsMember(const std::string& key, const Value& value) {
    const auto* container = std::get_if<Container>(&value);
    if (!container || !container->isObject)
        return reject(value, "an object");
    UsageWindow& window = m_windows[key];
    window = UsageWindow{};
    return push(Kind::Window, &window);
}

bool SnapshotHandler::onWindowMember(Frame& frame, const Value& value) {
    std::optional<double>* field = nullptr;
    if (frame.key == "used_percentage")
        field = &frame.window->usedPercentage;
    else if (frame.key == "resets_at")
        field = &frame.window->resetsAt;
    else if (frame.key == "window_minutes")
        field = &frame.window->windowMinutes;
    if (!field)
        return skip(value);
    if (const auto* number = std::get_if<double>(&value)) {
        const bool isPercentage = field == &frame.window->usedPercentage;
        *field = isPercentage ? plausiblePercentage(*number) : std::optional(*number);
        return true;
    }
    if (std::holds_alternative<Null>(value)) {
        field->reset();
        return true;
    }
    if (frame.kind == Kind::Window)
        return reject(value, "a number");
    if (m_legacyProblem.empty())
        m_legacyProblem = wrongType(value, "a number");
    return skip(value);
}

std::optional<UsageSnapshot> SnapshotHandler::result() {
    if (!m_updatedAt) {
        m_problem = "\"updated_at\" is missing or null";
        return std::nullopt;
    }
    UsageSnapshot snapshot;
    snapshot.updatedAt = *m_updatedAt;
    snapshot.model = std::move(m_model);
    snapshot.planType = std::move(m_planType);
    if (m_hasWindows)
        snapshot.windows = std::move(m_windows);
    else if (!m_legacyProblem.empty()) {
        m_problem = m_legacyProblem;
        return std::nullopt;
    } else
        snapshot.windows = std::move(m_legacyWindows);
    return snapshot;
}

} // namespace

std::optional<UsageSnapshot> decodeSnapshot(std::string_view bytes, std::string* problem) {
    if (bytes.size() > maxSnapshotBytes) {
        if (problem)
            *problem = "it is larger than 4 MB";
        return std::nullopt;
    }
    SnapshotHandler handler;
    std::optional<UsageSnapshot> snapshot;
    if (Json::sax_parse(bytes.data(), bytes.data() + bytes.size(), &handler))
        snapshot = handler.result();
    if (!snapshot && problem)
        *problem = handler.problem();
    return snapshot;
}

} // namespace tallyglass
