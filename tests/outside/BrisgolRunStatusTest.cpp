// brisgol-run --status: the report as text and as JSON, the programs it
// counts as covered (a cgroup's processes and the launcher group's), and
// the real program against a status socket of the test's own.
#include "outside/local/StatusPublisher.h"
#include "outside/local/StatusSocketPath.h"
#include "outside/run/StatusReport.h"
#include "tests/outside/support/LoopThread.h"
#include "tests/support/TempMachineRoot.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

namespace fs = std::filesystem;

StatusReport Accelerating() {
  StatusReport report;
  report.accelerating = true;
  report.line = 2;
  report.proxy.pid = 4242;
  report.proxy.server = "127.0.0.1";
  report.proxy.serverPort = 38549;
  report.proxy.mainPort = 48080;
  report.proxy.tcpConnections = 3;
  report.proxy.udpAssociations = 1;
  report.proxy.bytesDown = 8808038;
  report.proxy.bytesUp = 6ull << 30;
  report.proxy.lineCheckAtMs = 100000;
  report.proxy.lineCheckPassed = true;
  report.proxy.lineCheckMicros = 412;
  report.nowMs = 112500;
  report.programs = {{4567, "game"}, {4570, "game-helper"}};
  return report;
}

TEST(BrisgolRunStatusReport, TextForATerminal) {
  EXPECT_EQ(FormatStatusText(Accelerating()),
            "line: 2 (server 127.0.0.1:38549)\n"
            "local proxy: process 4242, main port 48080\n"
            "carrying: 3 TCP connections, 1 UDP association\n"
            "traffic: 8.4 MB down, 6.0 GB up\n"
            "line check: passed 12 s ago (round trip 0.4 ms)\n"
            "programs covered: 2\n"
            "  4567 game\n"
            "  4570 game-helper\n");
  StatusReport unknown = Accelerating();
  unknown.line = 0;
  unknown.proxy.lineCheckAtMs = 0;
  unknown.programs.clear();
  const std::string text = FormatStatusText(unknown);
  EXPECT_NE(text.find("line: not one of this build's lines (server 127.0.0.1:38549)\n"), std::string::npos) << text;
  EXPECT_NE(text.find("line check: not yet\n"), std::string::npos) << text;
  EXPECT_NE(text.find("programs covered: none\n"), std::string::npos) << text;
  StatusReport off;
  off.problem = "no local proxy answers (x)";
  EXPECT_EQ(FormatStatusText(off), "not accelerating: no local proxy answers (x)\nprograms covered: none\n");
}

TEST(BrisgolRunStatusReport, OneJsonObjectForScripts) {
  EXPECT_EQ(FormatStatusJson(Accelerating()),
            "{\"accelerating\":true,\"line\":2,\"local_proxy_pid\":4242,\"tcp_connections\":3,"
            "\"udp_associations\":1,\"bytes_up\":6442450944,\"bytes_down\":8808038,\"server\":\"127.0.0.1\","
            "\"server_port\":38549,\"main_port\":48080,"
            "\"line_check\":{\"passed\":true,\"age_ms\":12500,\"round_trip_us\":412},\"covered_pids\":[4567,4570]}\n");
  StatusReport off;
  off.problem = "no \"proxy\"";
  off.proxy.tcpConnections = 9;  // stale numbers are not reported
  EXPECT_EQ(FormatStatusJson(off),
            "{\"accelerating\":false,\"line\":null,\"local_proxy_pid\":null,\"tcp_connections\":0,"
            "\"udp_associations\":0,\"bytes_up\":0,\"bytes_down\":0,\"problem\":\"no \\\"proxy\\\"\","
            "\"covered_pids\":[]}\n");
}

void FakeProcess(const fs::path& proc, int pid, const std::string& name, int uid, int gid) {
  WriteTestFile(proc / std::to_string(pid) / "comm", name + "\n");
  WriteTestFile(proc / std::to_string(pid) / "status",
                "Name:\t" + name + "\nUid:\t" + std::to_string(uid) + "\t" + std::to_string(uid) + "\t0\t0\nGid:\t" +
                    std::to_string(gid) + "\t" + std::to_string(gid) + "\t0\t0\n");
}

TEST(BrisgolRunStatusPrograms, TheCgroupsProcessesAndTheUsersProcessesOfTheLaunchersGroup) {
  TempMachineRoot root;
  const fs::path proc = root.Dir("proc");
  FakeProcess(proc, 300, "game", 1000, 777);
  FakeProcess(proc, 301, "other-user", 1001, 777);
  FakeProcess(proc, 302, "browser", 1000, 1000);
  FakeProcess(proc, 400, "in-cgroup", 1000, 1000);
  WriteTestFile(proc / "self" / "comm", "x\n");
  const fs::path cgroup = root.Dir("cgroup");
  WriteTestFile(cgroup / "cgroup.procs", "400\n300\n999\n");  // 999 has ended meanwhile
  const std::vector<CoveredProgram> both = CoveredPrograms(1000, cgroup.string(), 777, proc.string());
  ASSERT_EQ(both.size(), 2u);
  EXPECT_EQ(both[0].pid, 300);
  EXPECT_EQ(both[0].name, "game");
  EXPECT_EQ(both[1].pid, 400);
  EXPECT_EQ(both[1].name, "in-cgroup");
  EXPECT_EQ(CoveredPrograms(1000, "", 777, proc.string()).size(), 1u) << "no cgroup: the group alone";
  EXPECT_EQ(CoveredPrograms(1000, cgroup.string(), static_cast<gid_t>(-1), proc.string()).size(), 2u);
  EXPECT_TRUE(CoveredPrograms(1000, "", static_cast<gid_t>(-1), proc.string()).empty());
}

// brisgol-run --status ARGS with XDG_RUNTIME_DIR set to runtime: its exit
// code and output.
int RunStatus(const fs::path& runtime, const std::string& arguments, std::string& output) {
  const std::string launcher = std::string(std::getenv("BRISGOL_PROGRAM_DIR")) + "/brisgol-run";
  const std::string command = "XDG_RUNTIME_DIR='" + runtime.string() + "' " + launcher + " --status " + arguments + " 2>&1";
  output.clear();
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[512];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(BrisgolRunStatus, TheProgramReadsTheUsersLocalProxy) {
  TempMachineRoot root;
  const fs::path runtime = root.Dir("run-user");
  std::string output;
  // No proxy yet.
  EXPECT_EQ(RunStatus(runtime, "--json", output), 1) << output;
  EXPECT_EQ(output.rfind("{\"accelerating\":false,\"line\":null,\"local_proxy_pid\":null,", 0), 0u) << output;
  EXPECT_EQ(RunStatus(runtime, "", output), 1);
  EXPECT_EQ(output.rfind("not accelerating: no local proxy answers (", 0), 0u) << output;

  // A proxy on line 1's server, carrying a little.
  std::string error;
  ASSERT_TRUE(PrepareStatusDirectory(StatusDirectory(getuid(), runtime.c_str()), getuid(), error)) << error;
  LoopThread loop;
  ProxyCounters counters;
  counters.tcpConnections = 2;
  counters.bytesDown = 5ull << 32;
  std::unique_ptr<StatusPublisher> proxy;
  bool opened = false;
  loop.Run([&] {
    proxy = std::make_unique<StatusPublisher>(loop.loop(), counters, StatusIdentity{"127.0.0.1", 38649, 48080});
    opened = proxy->Open(StatusSocketPath(StatusDirectory(getuid(), runtime.c_str())), error);
  });
  ASSERT_TRUE(opened) << error;
  EXPECT_EQ(RunStatus(runtime, "--json", output), 0) << output;
  EXPECT_EQ(output.rfind("{\"accelerating\":true,\"line\":1,\"local_proxy_pid\":" + std::to_string(getpid()) +
                             ",\"tcp_connections\":2,\"udp_associations\":0,\"bytes_up\":0,\"bytes_down\":21474836480,",
                         0),
            0u)
      << output;
  EXPECT_NE(output.find("\"line_check\":null"), std::string::npos) << output;
  EXPECT_EQ(RunStatus(runtime, "", output), 0) << output;
  EXPECT_EQ(output.rfind("line: 1 (server 127.0.0.1:38649)\nlocal proxy: process " + std::to_string(getpid()) +
                             ", main port 48080\ncarrying: 2 TCP connections, 0 UDP associations\n"
                             "traffic: 20.0 GB down, 0 B up\n",
                         0),
            0u)
      << output;
  // Arguments it does not know.
  EXPECT_EQ(RunStatus(runtime, "--jsn", output), 2);
  EXPECT_NE(output.find("usage: brisgol-run --status [--json]"), std::string::npos) << output;
  EXPECT_EQ(RunStatus(runtime, "--json --json", output), 2);
  loop.Run([&] { proxy.reset(); });
}

}  // namespace
