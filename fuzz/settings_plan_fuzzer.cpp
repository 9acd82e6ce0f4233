#include "sources/claude/settings_update.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

using Json = nlohmann::json;
constexpr std::string_view helperCommand =
    "/usr/bin/tallyglass-jsrunner -l JavaScript \"/home/u/.claude/statusline-usage.js\"";

void require(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

// Whatever settings.json holds, a run either leaves it alone or writes bytes that parse to an
// object whose members other than "statusLine" are the ones it had.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const tallyglass::SettingsPlan plan = tallyglass::planSettingsUpdate(bytes, helperCommand);
    if (plan.action == tallyglass::SettingsPlan::Action::leaveAlone)
        return 0;

    Json before = bytes.empty() ? Json::object() : Json::parse(bytes);
    Json after = Json::parse(plan.settingsBytes);
    require(before.is_object() && after.is_object());
    require(after["statusLine"] == Json({{"type", "command"}, {"command", helperCommand}}));
    require(plan.settingsBytes.find('/') == std::string::npos ||
            plan.settingsBytes.find("\\/") != std::string::npos);
    before.erase("statusLine");
    after.erase("statusLine");
    require(before == after);
    if (plan.chainedCommand)
        require(!plan.chainedCommand->empty() &&
                plan.chainedCommand->find("statusline-usage.js") == std::string::npos);
    return 0;
}
