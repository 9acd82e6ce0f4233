#include "home_directory.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace tallyglass::jsrunner {

std::string homeDirectory() {
    std::string home;
    if (const char* fromEnvironment = std::getenv("HOME"))
        home = fromEnvironment;
    if (home.empty())
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
            home = entry->pw_dir;
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    return home.empty() ? std::string("/") : home;
}

} // namespace tallyglass::jsrunner
