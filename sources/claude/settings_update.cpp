#include "settings_update.h"

#include "settings_layout.h"

#include <QString>

#include <nlohmann/json.hpp>

namespace tallyglass {
namespace {

using Json = nlohmann::json;

// Far beyond any real settings file, and well within what the recursive writer can take.
constexpr int maximumDepth = 256;

// The settings text to rewrite: "{}" for an empty file; none, with the reason in refused, for
// anything but a strict JSON object. Checked without building the document, which would take
// many times its size.
std::optional<std::string_view> strictObject(std::string_view bytes, SettingsPlan& refused) {
    if (bytes.empty())
        return "{}";
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
    const std::size_t first = bytes.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos || bytes[first] != '{') {
        refused.refusal = Problem::notObject;
        return std::nullopt;
    }
    return bytes;
}

// The current command, trimmed as the system trims white space and line breaks; none when
// "statusLine" is not an object holding a string "command".
std::optional<std::string> currentCommand(std::string_view settings) {
    const auto member = topLevelMember(settings, "statusLine");
    if (!member)
        return std::nullopt;
    const Json statusLine = Json::parse(*member, nullptr, false);
    if (!statusLine.is_object())
        return std::nullopt;
    const auto command = statusLine.find("command");
    if (command == statusLine.end() || !command->is_string())
        return std::nullopt;
    return QString::fromStdString(command->get<std::string>()).trimmed().toStdString();
}

} // namespace

SettingsPlan planSettingsUpdate(std::string_view settingsBytes, std::string_view helperCommand,
                                const std::function<bool(const std::string&)>& isStaleCommand) {
    SettingsPlan refused;
    const std::optional<std::string_view> settings = strictObject(settingsBytes, refused);
    if (!settings)
        return refused;
    const std::optional<std::string> command = currentCommand(*settings);
    if (command && command->find("statusline-usage.js") != std::string::npos) {
        if (*command == helperCommand || !isStaleCommand || !isStaleCommand(*command))
            return {};
        const auto bytes = rewrittenSettings(
            *settings, {{"statusLine", "command"}, Json(std::string(helperCommand)).dump()});
        if (!bytes)
            return {};
        return SettingsPlan{SettingsPlan::Action::repoint, std::nullopt, *bytes};
    }

    SettingsPlan plan;
    plan.action = SettingsPlan::Action::install;
    if (command && !command->empty() && command->find("statusline-usage.py") == std::string::npos)
        plan.chainedCommand = *command;
    const Json statusLine = {{"type", "command"}, {"command", std::string(helperCommand)}};
    const auto bytes = rewrittenSettings(*settings, {{"statusLine"}, statusLine.dump()});
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

RemovalPlan planHelperRemoval(std::string_view settingsBytes, std::string_view chainedCommand) {
    SettingsPlan refused;
    const std::optional<std::string_view> settings = strictObject(settingsBytes, refused);
    if (!settings)
        return {};
    const std::optional<std::string> command = currentCommand(*settings);
    if (!command || command->find("statusline-usage.js") == std::string::npos)
        return {RemovalPlan::Action::keep, {}};
    // Members the user added beside our command since stay with theirs.
    SettingsEdit edit{{"statusLine"}, {}};
    if (!chainedCommand.empty()) {
        try {
            edit = {{"statusLine", "command"}, Json(std::string(chainedCommand)).dump()};
        } catch (const Json::exception&) {
            // Not UTF-8, so not writable as JSON: better kept in its file.
            return {};
        }
    }
    const auto bytes = rewrittenSettings(*settings, edit);
    if (!bytes)
        return {};
    return {RemovalPlan::Action::rewrite, *bytes};
}

} // namespace tallyglass
