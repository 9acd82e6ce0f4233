#include "home_directory.h"

#include "utf8_text.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace tallyglass {

namespace {

// The app names folders through Qt, which cannot hold bytes that are not UTF-8; a home it
// would name differently from the runner is no home for either.
bool usable(const char* path) {
    return path && *path == '/' &&
           isValidUtf8(reinterpret_cast<const unsigned char*>(path), std::strlen(path));
}

// The base directory rule: the variable when it is a usable path (relative ones are ignored),
// else the folder below the home; empty without a home.
std::string baseDirectory(const char* variable, const char* belowHome) {
    if (const char* fromEnvironment = std::getenv(variable); usable(fromEnvironment))
        return fromEnvironment;
    const std::string home = homeDirectory();
    return home.empty() ? std::string() : home + belowHome;
}

} // namespace

std::string homeDirectory() {
    std::string home;
    if (const char* fromEnvironment = std::getenv("HOME"); usable(fromEnvironment))
        home = fromEnvironment;
    else if (const passwd* entry = ::getpwuid(::getuid()); entry && usable(entry->pw_dir))
        home = entry->pw_dir;
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    return home;
}

std::string configDirectory() {
    return baseDirectory("XDG_CONFIG_HOME", "/.config");
}

std::string stateDirectory() {
    return baseDirectory("XDG_STATE_HOME", "/.local/state");
}

} // namespace tallyglass
