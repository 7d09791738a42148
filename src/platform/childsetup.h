#pragma once

// The child's half of starting a process of ours, shared by the program, its crash handler and
// the slide bridge (which links no Qt). It runs between fork and exec, so it makes only
// async-signal-safe calls and ends the child itself when something fails.

#include <sys/prctl.h>
#include <sys/types.h>
#include <unistd.h>

// The exit code of a child that gave up before its exec.
constexpr int childSetupFailedExitCode = 126;

// Puts the calling child into a process group of its own (unless ownGroup is false: a helper
// that belongs to its parent's group) and, when deathSignal is not 0, has the kernel send it
// deathSignal when the thread that forked it ends. A parent that ended
// before the signal was armed is seen by the parent id no longer being parent: the child ends
// at once. Compared with the saved id, never with 1: a subreaper (systemd --user) adopts
// orphans too.
inline void prepareChildOrExit(pid_t parent, int deathSignal, bool ownGroup = true)
{
    if (ownGroup && ::setpgid(0, 0) != 0)
        ::_exit(childSetupFailedExitCode);
    if (deathSignal == 0)
        return;
    if (::prctl(PR_SET_PDEATHSIG, deathSignal) != 0 || ::getppid() != parent)
        ::_exit(childSetupFailedExitCode);
}
