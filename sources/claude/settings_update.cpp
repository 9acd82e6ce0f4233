#include "settings_update.h"

#include <QString>

#include <nlohmann/json.hpp>

namespace tallyglass {
namespace {

using Json = nlohmann::json;

// Far beyond any real settings file, and well within what the recursive writer can take.
constexpr int maximumDepth = 256;

// The settings object, or why there is none. The library reads a NUL byte as the end of the
// text and skips a byte order mark; neither is strict JSON, and rewriting would drop what
// follows the NUL.
std::optional<Json> parseObject(std::string_view bytes, SettingsPlan& refused) {
    if (bytes.empty())
        return Json::object();
    using Problem = SetupReport::Problem;
    if (bytes.size() > maxSettingsBytes) {
        refused.refusal = Problem::tooLarge;
        return std::nullopt;
    }
    const JsonCheck check = checkJson(bytes, maximumDepth);
    if (check.syntaxError || check.tooDeep) {
        refused.refusal = check.tooDeep ? Problem::tooDeep : Problem::notJson;
        refused.errorAt = check.syntaxError.value_or(TextPosition{});
        return std::nullopt;
    }
    Json parsed = Json::parse(bytes.begin(), bytes.end(), nullptr, false, false);
    if (parsed.is_object())
        return parsed;
    refused.refusal = Problem::notObject;
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
    SettingsPlan refused;
    std::optional<Json> settings = parseObject(settingsBytes, refused);
    if (!settings)
        return refused;
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

std::string statusLineMember(std::string_view helperCommand) {
    nlohmann::ordered_json member{{"type", "command"}, {"command", std::string(helperCommand)}};
    return "\"statusLine\": " +
           member.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

} // namespace tallyglass
