#pragma once

#include <signal.h>
#include <sys/types.h>

// The chained commands a run starts get process groups of their own, so that whoever ends the
// runner (Claude Code cancelling a slow status line) ends them and their children too.
namespace tallyglass::jsrunner {

void rememberChildGroup(pid_t group);
// From now on SIGTERM, SIGHUP, SIGINT, SIGQUIT (a terminal's Ctrl-C and Ctrl-\ reach only the
// runner's group) and a SIGPIPE sent by another process kill every remembered group before
// they end the runner. A SIGPIPE the runner raises on itself, by writing to a pipe whose reader
// left, stays harmless: the write fails and the script sees it.
void endChildGroupsWithRunner();
// Those signals, to block them while a command starts and its group is not yet remembered.
sigset_t endingSignals();

} // namespace tallyglass::jsrunner
