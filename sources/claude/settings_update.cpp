#include "settings_update.h"

#include "settings_layout.h"

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

// The settings text to rewrite: "{}" for an empty file, none for anything but a strict JSON
// object. Checked without building the document, which would take many times its size.
std::optional<std::string_view> strictObject(std::string_view bytes) {
    if (bytes.empty())
        return "{}";
    if (!isStrictJsonCandidate(bytes))
        return std::nullopt;
    DepthCheck depthCheck;
    if (!Json::sax_parse(bytes.begin(), bytes.end(), &depthCheck, Json::input_format_t::json, true,
                         false))
        return std::nullopt;
    const std::size_t first = bytes.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos || bytes[first] != '{')
        return std::nullopt;
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
    const std::optional<std::string_view> settings = strictObject(settingsBytes);
    if (!settings)
        return {};
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

} // namespace tallyglass
