#include "home_directory.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace tallyglass {

std::string homeDirectory() {
    std::string home;
    if (const char* fromEnvironment = std::getenv("HOME");
        fromEnvironment && *fromEnvironment == '/')
        home = fromEnvironment;
    else if (const passwd* entry = ::getpwuid(::getuid());
             entry && entry->pw_dir && *entry->pw_dir == '/')
        home = entry->pw_dir;
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    return home;
}

} // namespace tallyglass
