#include "outside/run/StatusCommand.h"

#include "BuildSettings.h"
#include "outside/local/StatusConnection.h"
#include "outside/local/StatusSocketPath.h"
#include "outside/redirect/CoveredCgroup.h"
#include "outside/redirect/RedirectPaths.h"
#include "outside/run/StatusReport.h"

#include <grp.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The build's line whose server this is; 0 for none.
int LineOfServer(const std::string& address, int port) {
  for (int i = 0; i < 3; ++i) {
    if (build_settings::kLinePort[i] != port) continue;
    std::string text;
    for (const wchar_t* c = build_settings::kLineAddress[i]; *c != 0; ++c) text += static_cast<char>(*c);
    if (text == address) return i + 1;
  }
  return 0;
}

std::int64_t MonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

StatusReport GatherReport() {
  StatusReport report;
  const std::string directory = StatusDirectory();
  std::string error;
  if (CheckStatusDirectory(directory, getuid(), error) &&
      ReadStatusOnce(StatusSocketPath(directory), getuid(), std::chrono::seconds(2), report.proxy, error)) {
    report.accelerating = true;
    report.line = LineOfServer(report.proxy.server, report.proxy.serverPort);
  } else {
    report.problem = "no local proxy answers (" + error + ")";
  }
  report.nowMs = MonotonicMs();
  const group* launcher = getgrnam(kLauncherGroup);
  report.programs = CoveredPrograms(getuid(), CoveredCgroupDirectory(getuid()),
                                    launcher != nullptr ? launcher->gr_gid : static_cast<gid_t>(-1));
  return report;
}

}  // namespace

bool IsStatusCommand(int argc, char** argv) { return argc >= 2 && std::strcmp(argv[1], "--status") == 0; }

int RunStatusCommand(int argc, char** argv) {
  // Reading the status needs no privilege: a set-group-id copy gives its
  // group up first.
  const gid_t gid = getgid();
  if (getegid() != gid && setresgid(gid, gid, gid) != 0) {
    std::fprintf(stderr, "brisgol-run: cannot give up the launcher's group: %s\n", std::strerror(errno));
    return 2;
  }
  bool json = false;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--json") == 0 && !json) {
      json = true;
    } else {
      std::fprintf(stderr, "usage: brisgol-run --status [--json]\n");
      return 2;
    }
  }
  const StatusReport report = GatherReport();
  const std::string text = json ? FormatStatusJson(report) : FormatStatusText(report);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return report.accelerating ? 0 : 1;
}
