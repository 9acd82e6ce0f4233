#include "settings_update.h"

#include <QString>

#include <nlohmann/json.hpp>

namespace tallyglass {
namespace {

using Json = nlohmann::json;

// Far beyond any real settings file, and well within what the recursive writer can take.
constexpr int maximumDepth = 256;

// Counts nesting only. A parser callback for the same limit made the library rescan the parent
// after each child: 333,000 empty objects in one array took 15 s.
struct DepthCheck : nlohmann::json_sax<Json> {
    int depth = 0;
    bool tooDeep = false;

    bool enter() {
        tooDeep = ++depth > maximumDepth;
        return !tooDeep;
    }
    bool leave() {
        --depth;
        return true;
    }
    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return enter(); }
    bool key(string_t&) override { return true; }
    bool end_object() override { return leave(); }
    bool start_array(std::size_t) override { return enter(); }
    bool end_array() override { return leave(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }
};

// The library reads a NUL byte as the end of the text and skips a byte order mark; neither is
// strict JSON, and rewriting would drop what follows the NUL.
bool isStrictJsonCandidate(std::string_view bytes) {
    return bytes.size() <= maxSettingsBytes && bytes.find('\0') == std::string_view::npos &&
           !bytes.starts_with("\xEF\xBB\xBF");
}

std::optional<Json> parseObject(std::string_view bytes) {
    if (bytes.empty())
        return Json::object();
    if (!isStrictJsonCandidate(bytes))
        return std::nullopt;
    DepthCheck depthCheck;
    if (!Json::sax_parse(bytes.begin(), bytes.end(), &depthCheck, Json::input_format_t::json, true,
                         false))
        return std::nullopt;
    Json parsed = Json::parse(bytes.begin(), bytes.end(), nullptr, false, false);
    if (parsed.is_object())
        return parsed;
    return std::nullopt;
}

// The current command, trimmed as the system trims white space and line breaks; none when
// "statusLine" is not an object holding a string "command".
std::optional<std::string> currentCommand(const Json& settings) {
    const auto statusLine = settings.find("statusLine");
    if (statusLine == settings.end() || !statusLine->is_object())
        return std::nullopt;
    const auto command = statusLine->find("command");
    if (command == statusLine->end() || !command->is_string())
        return std::nullopt;
    return QString::fromStdString(command->get<std::string>()).trimmed().toStdString();
}

// In JSON text a "/" can only stand inside a string, where "\/" reads back as "/".
std::string escapeSlashes(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        if (c == '/')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::optional<std::string> serialised(const Json& settings) {
    try {
        return escapeSlashes(settings.dump(2));
    } catch (const Json::exception&) {
        return std::nullopt;
    }
}

} // namespace

SettingsPlan planSettingsUpdate(std::string_view settingsBytes, std::string_view helperCommand,
                                const std::function<bool(const std::string&)>& isStaleCommand) {
    std::optional<Json> settings = parseObject(settingsBytes);
    if (!settings)
        return {};
    const std::optional<std::string> command = currentCommand(*settings);
    if (command && command->find("statusline-usage.js") != std::string::npos) {
        if (*command == helperCommand || !isStaleCommand || !isStaleCommand(*command))
            return {};
        (*settings)["statusLine"]["command"] = std::string(helperCommand);
        const auto bytes = serialised(*settings);
        if (!bytes)
            return {};
        return SettingsPlan{SettingsPlan::Action::repoint, std::nullopt, *bytes};
    }

    SettingsPlan plan;
    plan.action = SettingsPlan::Action::install;
    if (command && !command->empty() && command->find("statusline-usage.py") == std::string::npos)
        plan.chainedCommand = *command;
    (*settings)["statusLine"] = {{"type", "command"}, {"command", std::string(helperCommand)}};
    const auto bytes = serialised(*settings);
    if (!bytes)
        return {};
    plan.settingsBytes = *bytes;
    return plan;
}

RemovalPlan planHelperRemoval(std::string_view settingsBytes, std::string_view chainedCommand) {
    std::optional<Json> settings = parseObject(settingsBytes);
    if (!settings)
        return {};
    const std::optional<std::string> command = currentCommand(*settings);
    if (!command || command->find("statusline-usage.js") == std::string::npos)
        return {RemovalPlan::Action::keep, {}};
    // Members the user added beside our command since stay with theirs.
    if (chainedCommand.empty())
        settings->erase("statusLine");
    else
        (*settings)["statusLine"]["command"] = std::string(chainedCommand);
    // A chained command that is not UTF-8 cannot be written as JSON: better kept in its file.
    const auto bytes = serialised(*settings);
    if (!bytes)
        return {};
    return {RemovalPlan::Action::rewrite, *bytes};
}

} // namespace tallyglass
