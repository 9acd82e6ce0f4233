#include "script_runner.h"
#include "sources/claude/statusline_script.h"

#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::string home;
std::string snapshotPath;

void require(bool condition) {
    if (!condition)
        std::abort();
}

int memoryFile(const std::uint8_t* data, std::size_t size) {
    const int fd = ::memfd_create("fuzz", MFD_CLOEXEC);
    require(fd >= 0);
    require(size == 0 || ::write(fd, data, size) == static_cast<ssize_t>(size));
    require(::lseek(fd, 0, SEEK_SET) == 0);
    return fd;
}

std::string contents(int fd) {
    std::string text;
    char buffer[4096];
    ::lseek(fd, 0, SEEK_SET);
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    return text;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::signal(SIGPIPE, SIG_IGN);
    char folder[] = "/tmp/jsrunner-fuzz-XXXXXX";
    require(::mkdtemp(folder) != nullptr);
    home = folder;
    require(::mkdir((home + "/.claude").c_str(), 0700) == 0);
    snapshotPath = home + "/.claude/usage_snapshot.json";
    return 0;
}

// The real helper over arbitrary standard input: it ends normally, prints its line, and any
// snapshot it leaves is one JSON object of the helper's shape.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int input = memoryFile(data, size);
    const int output = memoryFile(nullptr, 0);
    tallyglass::jsrunner::ScriptRun run;
    run.stdinFd = input;
    run.stdoutFd = output;
    run.homeDirectory = home;
    const int status =
        tallyglass::jsrunner::runScript(tallyglass::statuslineScript, "statusline-usage.js", run);
    const std::string printed = contents(output);
    ::close(input);
    ::close(output);
    require(status == 0);
    require(!printed.empty() && printed.back() == '\n');

    const int snapshot = ::open(snapshotPath.c_str(), O_RDONLY);
    if (snapshot >= 0) {
        const auto json = nlohmann::json::parse(contents(snapshot), nullptr, false);
        ::close(snapshot);
        ::unlink(snapshotPath.c_str());
        require(json.is_object() && json.size() == 3 && json["updated_at"].is_number() &&
                json["model"].is_string() && json["windows"].is_object());
    }
    return 0;
}
