#include "settings_update.h"

#include <QString>

#include <nlohmann/json.hpp>

namespace tallyglass {
namespace {

using Json = nlohmann::json;

// Far beyond any real settings file, and well within what the recursive writer can take.
constexpr int maximumDepth = 256;

struct TooDeep {};

std::optional<Json> parseObject(std::string_view bytes) {
    if (bytes.empty())
        return Json::object();
    const Json::parser_callback_t limitDepth = [](int depth, Json::parse_event_t, Json&) {
        if (depth > maximumDepth)
            throw TooDeep{};
        return true;
    };
    try {
        Json parsed = Json::parse(bytes.begin(), bytes.end(), limitDepth, true, false);
        if (parsed.is_object())
            return parsed;
    } catch (const Json::exception&) {
    } catch (const TooDeep&) {
    }
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

// The runner named by an earlier command of ours for the same script, unquoted; none when
// the command is not of that form.
std::optional<std::string> runnerOfOurCommand(const std::string& command,
                                              std::string_view helperCommand) {
    const std::size_t split = helperCommand.find(" -l JavaScript \"");
    if (split == std::string_view::npos)
        return std::nullopt;
    const std::string_view scriptPart = helperCommand.substr(split);
    if (command.size() <= scriptPart.size() || !command.ends_with(scriptPart))
        return std::nullopt;
    std::string runner = command.substr(0, command.size() - scriptPart.size());
    if (runner.size() >= 2 && runner.front() == '"' && runner.back() == '"') {
        std::string unquoted;
        for (std::size_t i = 1; i + 1 < runner.size(); ++i) {
            if (runner[i] == '\\' && i + 2 < runner.size())
                ++i;
            unquoted += runner[i];
        }
        runner = std::move(unquoted);
    }
    if (runner.empty() || runner.front() != '/')
        return std::nullopt;
    return runner;
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
                                const std::function<bool(const std::string&)>& runnerExists) {
    std::optional<Json> settings = parseObject(settingsBytes);
    if (!settings)
        return {};
    const std::optional<std::string> command = currentCommand(*settings);
    if (command && command->find("statusline-usage.js") != std::string::npos) {
        const auto runner = runnerOfOurCommand(*command, helperCommand);
        if (*command == helperCommand || !runner || !runnerExists || runnerExists(*runner))
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

} // namespace tallyglass
