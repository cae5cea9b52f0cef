// brisgol-run --status [--json]: what acceleration does right now, read
// from the local proxy's status interface (as the calling user) and the
// covered cgroup; as text for a terminal, or one JSON object for scripts.
//
// Exit codes: 0 while accelerating, 1 when no local proxy answers, 2 for
// arguments it does not know.
#pragma once

// Whether the command line asks for the status (its first argument is
// "--status").
bool IsStatusCommand(int argc, char** argv);
int RunStatusCommand(int argc, char** argv);
