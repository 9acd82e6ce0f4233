#include "child_groups.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <initializer_list>

namespace tallyglass::jsrunner {
namespace {

// Written before the signal handler can read them; a run starts a handful of commands at most.
constexpr int maximumGroups = 64;
std::atomic<pid_t> groups[maximumGroups];
std::atomic<int> groupCount{0};

void endWithRunner(int signal, siginfo_t* info, void*) {
    if (signal == SIGPIPE && info->si_pid == ::getpid())
        return;
    const int count = groupCount.load();
    for (int i = 0; i < count && i < maximumGroups; ++i)
        if (const pid_t group = groups[i].load(); group > 0)
            ::kill(-group, SIGKILL);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

} // namespace

void rememberChildGroup(pid_t group) {
    const int slot = groupCount.load();
    if (slot >= maximumGroups)
        return;
    groups[slot].store(group);
    groupCount.store(slot + 1);
}

sigset_t endingSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : {SIGTERM, SIGHUP, SIGPIPE, SIGINT, SIGQUIT})
        sigaddset(&signals, signal);
    return signals;
}

void endChildGroupsWithRunner() {
    struct sigaction action {};
    action.sa_sigaction = endWithRunner;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGTERM, SIGHUP, SIGPIPE})
        ::sigaction(signal, &action, nullptr);
    // A runner started in the background ignores the terminal's keys, and so stays.
    for (const int signal : {SIGINT, SIGQUIT}) {
        struct sigaction before {};
        if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
            ::sigaction(signal, &action, nullptr);
    }
}

} // namespace tallyglass::jsrunner
