#include "system/ProcessUtils.h"

#include "platform/Debug.h"
#include "platform/Processes.h"
#include "platform/Sync.h"
#include "platform/Threads.h"
#include "platform/WideFormat.h"
#include "system/Paths.h"
#include "system/TextConvert.h"

#include <cstdlib>
#include <cwctype>

namespace {

bool SameIgnoringCase(const std::wstring& a, const wchar_t* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
  return i == a.size() && b[i] == 0;
}

// Reads whatever the pipe holds right now.
void DrainPipe(HANDLE pipe, std::string& output) {
  DWORD available = 0;
  while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
    std::string chunk(available, '\0');
    DWORD got = 0;
    if (!ReadFile(pipe, chunk.data(), available, &got, nullptr) || got == 0) return;
    output.append(chunk.data(), got);
  }
}

// Decimal value with leading blanks skipped, digits up to the first
// non-digit; 0 when there are none.
long DecimalValue(const std::string& text) {
  size_t i = text.find_first_not_of(" \t");
  long value = 0;
  for (; i != std::string::npos && i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 0x7FFFFFFF) return 0x7FFFFFFF;
  }
  return value;
}

// Splits at runs of blanks.
std::vector<std::string> Columns(const std::string& line) {
  std::vector<std::string> columns;
  size_t i = 0;
  while (i < line.size()) {
    size_t start = line.find_first_not_of(" \t", i);
    if (start == std::string::npos) break;
    size_t end = line.find_first_of(" \t", start);
    if (end == std::string::npos) end = line.size();
    columns.push_back(line.substr(start, end - start));
    i = end;
  }
  return columns;
}

// The states of a connection that has been closed and that its process
// may have left (the kernel finishes it alone); none keeps the port from
// being listened on again.
bool IsClosingState(const std::string& state) {
  return state == "TIME-WAIT" || state == "FIN-WAIT-1" || state == "FIN-WAIT-2" || state == "CLOSING" ||
         state == "LAST-ACK";
}

// One line of "ss -H -a -n -p -t -u" reads:
//   Netid State Recv-Q Send-Q Local:Port Peer:Port [users:(("name",pid=N,fd=F),...)]
// Only the local address counts; its port is the last ":"-separated piece,
// so IPv6 addresses ("[::1]:80") work too. The listing tool itself
// inherits no sockets of ours on purpose, but a descriptor left
// inheritable would list it too: it never counts as owner.
//
// The answer: the first listed process holding the port; else, for a bound
// or listening socket whose process the listing cannot show (another
// user's, a socket passed away), kUnseenOwnerPid, since the port is taken
// all the same; else 0 when only closed connections (TIME-WAIT and the
// other closing states) name the port: they bind nothing (netstat's PID 0);
// -1 when nothing does.
int OwnerFromListing(const std::string& text, int port, DWORD helperPid) {
  std::vector<std::string> lines;
  SplitText(text, "\n", lines);
  if (lines.empty() && !text.empty()) lines.push_back(text);
  int answer = -1;
  for (const auto& line : lines) {
    std::vector<std::string> columns = Columns(line);
    if (columns.size() < 6) continue;
    const std::string& local = columns[4];
    size_t colon = local.rfind(':');
    if (colon == std::string::npos || DecimalValue(local.substr(colon + 1)) != port) continue;
    for (size_t pid = line.find("pid="); pid != std::string::npos; pid = line.find("pid=", pid + 4)) {
      long owner = DecimalValue(line.substr(pid + 4));
      if (owner != static_cast<long>(helperPid)) return static_cast<int>(owner);
    }
    if (!IsClosingState(columns[1])) {
      answer = kUnseenOwnerPid;
    } else if (answer < 0) {
      answer = 0;
    }
  }
  return answer;
}

}  // namespace

int KillProcessesByName(const std::wstring& name, bool all) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32W entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    if (name != entry.szExeFile) continue;
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
    if (!process) continue;
    BOOL ended = TerminateProcess(process, 0);
    // Termination is asynchronous: wait (bounded) until the process is
    // gone, so that callers that count processes next never see it.
    if (ended) WaitForSingleObject(process, kKillWaitMs);
    CloseHandle(process);
    if (ended && !all) break;
  }
  CloseHandle(snapshot);
  return 1;
}

void FindProcessIdsByName(const std::wstring& name, std::vector<DWORD>& ids, bool exactCase) {
  ids.clear();
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32W entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    bool match = exactCase ? name == entry.szExeFile : SameIgnoringCase(name, entry.szExeFile);
    if (match) ids.push_back(entry.th32ProcessID);
  }
  CloseHandle(snapshot);
}

int QueryPortOwner(int port) {
  OutputDebugStringW(L"开始检查端口\n");
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
    OutputDebugStringW(L"匿名管道创建失败\n");
    return -1;
  }
  // The system's socket listing, filtered to the port, in place of
  // "netstat -ano | find".
  std::wstring commandLine = FormatWide(128, L"ss -H -a -n -p -t -u sport = :%d", port);
  STARTUPINFOW startup;
  GetStartupInfoW(&startup);
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  startup.wShowWindow = SW_HIDE;
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  PROCESS_INFORMATION info;
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
    CloseHandle(readEnd);
    CloseHandle(writeEnd);
    OutputDebugStringW(L"查询端口cmd执行失败,CreateProcess失败\n");
    return -1;
  }
  // Only the child writes now; the pipe is drained while it runs, so a long
  // listing never blocks it until the time-out.
  CloseHandle(writeEnd);
  std::string output;
  std::uint64_t deadline = GetTickCount64() + kPortQueryTimeoutMs;
  bool ended = false;
  for (;;) {
    DrainPipe(readEnd, output);
    std::uint64_t now = GetTickCount64();
    if (now >= deadline) break;
    DWORD slice = static_cast<DWORD>(std::min<std::uint64_t>(deadline - now, 20));
    if (WaitForSingleObject(info.hProcess, slice) == WAIT_OBJECT_0) {
      ended = true;
      break;
    }
  }
  if (!ended) {
    TerminateProcess(info.hProcess, 0);
    CloseHandle(readEnd);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    OutputDebugStringW(L"查询端口cmd执行超时失败\n");
    return -1;
  }
  DrainPipe(readEnd, output);
  DWORD helperPid = info.dwProcessId;
  CloseHandle(readEnd);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  size_t zero = output.find('\0');
  if (zero != std::string::npos) output.resize(zero);
  OutputDebugStringW(AnsiToWide(output).c_str());
  return OwnerFromListing(output, port, helperPid);
}
