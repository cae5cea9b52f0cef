#include "platform/Processes.h"

#include "platform/LastError.h"
#include "tests/support/TempMachineRoot.h"

#include <gtest/gtest.h>

#include <string>

#include <unistd.h>

namespace {

std::string RunAndCapture(const wchar_t* application, std::wstring commandLine, DWORD* exitCode = nullptr) {
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  EXPECT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
  STARTUPINFOW startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION info;
  EXPECT_TRUE(CreateProcessW(application, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info));
  CloseHandle(writeEnd);
  std::string output;
  char buffer[256];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) output.append(buffer, got);
  EXPECT_EQ(GetLastError(), ERROR_BROKEN_PIPE);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 5000), WAIT_OBJECT_0);
  if (exitCode) GetExitCodeProcess(info.hProcess, exitCode);
  CloseHandle(readEnd);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return output;
}

TEST(Processes, ApplicationNameRunsWithTheCommandLineAsItsArguments) {
  EXPECT_EQ(RunAndCapture(L"/bin/echo", L"one \"two three\""), "one two three\n");
  // Without an application name the first word is the program, found on PATH.
  EXPECT_EQ(RunAndCapture(nullptr, L"echo hello"), "hello\n");
  DWORD code = 0;
  RunAndCapture(nullptr, L"sh -c \"exit 7\"", &code);
  EXPECT_EQ(code, 7u);
}

TEST(Processes, AMissingProgramFailsToStart) {
  std::wstring commandLine = L"x";
  STARTUPINFOW startup;
  PROCESS_INFORMATION info;
  EXPECT_FALSE(CreateProcessW(L"/nonexistent/local.exe", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &info));
}

TEST(Processes, SnapshotNamesProcessesByTheirExecutableFileAndTerminateEndsThem) {
  TempMachineRoot root;
  // A name of this test's own: other tests end "local.exe" processes by name.
  const std::wstring name = L"proc" + std::to_wstring(getpid()) + L".exe";
  auto exe = root.path() / name;
  std::filesystem::copy_file("/bin/sleep", exe);
  std::wstring commandLine = L"30";
  STARTUPINFOW startup;
  PROCESS_INFORMATION info;
  ASSERT_TRUE(CreateProcessW(exe.wstring().c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                             nullptr, nullptr, &startup, &info));
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 50), WAIT_TIMEOUT);

  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  ASSERT_NE(snapshot, INVALID_HANDLE_VALUE);
  PROCESSENTRY32W entry;
  bool found = false;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    if (entry.th32ProcessID == info.dwProcessId) found = std::wstring(entry.szExeFile) == name;
  CloseHandle(snapshot);
  EXPECT_TRUE(found);

  HANDLE opened = OpenProcess(PROCESS_TERMINATE, FALSE, info.dwProcessId);
  ASSERT_NE(opened, nullptr);
  ASSERT_TRUE(TerminateProcess(opened, 0));
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 5000), WAIT_OBJECT_0);
  DWORD code = 99;
  ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, 0u);
  CloseHandle(opened);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  EXPECT_EQ(OpenProcess(PROCESS_TERMINATE, FALSE, 0), nullptr);
}

TEST(Processes, CommandLinesSplitByTheWindowsRules) {
  using V = std::vector<std::wstring>;
  EXPECT_EQ(SplitCommandLine(L"  a  b\tc "), (V{L"a", L"b", L"c"}));
  EXPECT_EQ(SplitCommandLine(L"\"a b\" \"\" c"), (V{L"a b", L"", L"c"}));
  EXPECT_EQ(SplitCommandLine(L"a\\\\\\\"b \\\\\"c d\" e\\f"), (V{L"a\\\"b", L"\\c d", L"e\\f"}));
  EXPECT_EQ(SplitCommandLine(L"{\"k\":\"v\"}"), (V{L"{k:v}"}));
  EXPECT_EQ(SplitCommandLine(L""), V{});
}

}  // namespace
