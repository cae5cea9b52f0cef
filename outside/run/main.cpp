// brisgol-run PROGRAM [ARGS...]
// brisgol-run --status [--json]   (outside/run/StatusCommand.h)
//
// Runs PROGRAM so that the accelerator carries its traffic and that of
// every program it starts (see CoveredLaunch.h): usable as a game
// launcher's launch option ("brisgol-run %command%").
//
// Exit codes: PROGRAM's own once it runs; 2 without a PROGRAM or for the
// front end itself; 126 when the program cannot be covered (the
// redirection service does not run or refused); 127 when PROGRAM is
// missing or cannot be run.
#include "outside/run/CoveredLaunch.h"
#include "outside/run/StatusCommand.h"

#include <cstdio>

int main(int argc, char** argv) {
  if (IsStatusCommand(argc, argv)) return RunStatusCommand(argc, argv);
  if (argc < 2 || argv[1][0] == '\0') {
    std::fprintf(stderr, "usage: brisgol-run PROGRAM [ARGS...]\n");
    return kExitUsage;
  }
  return RunCovered(argv + 1);
}
