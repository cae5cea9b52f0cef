// Running a program so that its user's redirection covers it and every
// program it starts: brisgol-run asks the redirection service to move it
// into the user's cgroup (JOIN), then runs the program in its place. The
// program keeps the caller's user, groups, environment and current
// directory; nothing of it carries a privilege.
//
// Where the machine has no cgroup v2 at all, covered programs run with the
// launcher's group instead, which needs root or a copy of brisgol-run
// installed set-group-id to that group.
#pragma once

inline constexpr int kExitUsage = 2;         // no program, or the front end itself
inline constexpr int kExitNotCovered = 126;  // the service does not run or refused
inline constexpr int kExitCannotRun = 127;   // the program is missing or cannot run

// Runs program[0] (looked up in PATH like a shell does) with its
// arguments, covered; returns only when it cannot, with the exit code,
// after saying why on standard error.
int RunCovered(char** program);
