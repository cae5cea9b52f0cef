#include "platform/Services.h"

#include "platform/CodePage.h"
#include "platform/IniDocument.h"
#include "platform/LastError.h"
#include "platform/MachineRoot.h"

#include <cwctype>
#include <optional>
#include <string>

struct ServiceHandleRecord {
  bool manager = false;
  std::wstring name;
};

namespace {

IniDocument ServiceTable() { return IniDocument::Load(MachinePath("services.ini")); }

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return s;
}

// Services every Windows 10 runs, with the state they have there.
constexpr const wchar_t* kBuiltInServices[] = {L"tdx"};

// The service's state as the table gives it, or the built-in default; none
// for a service that does not exist.
std::optional<std::wstring> ServiceState(const IniDocument& table, const std::wstring& name) {
  std::optional<std::wstring> state = table.Get(name, L"state");
  if (!state) {
    for (const wchar_t* builtIn : kBuiltInServices)
      if (Lower(name) == builtIn) state = L"running";
  }
  if (state && Lower(*state) == L"absent") return std::nullopt;
  return state;
}

}  // namespace

SC_HANDLE OpenSCManagerW(LPCWSTR machine, LPCWSTR, DWORD) {
  if (machine && *machine) {
    SetLastError(ERROR_ACCESS_DENIED);  // remote machines are not reachable
    return nullptr;
  }
  return new ServiceHandleRecord{true, L""};
}

SC_HANDLE OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD) {
  if (!manager || !manager->manager || !name || !*name) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  std::wstring service = Utf8ToWideString(name);
  IniDocument table = ServiceTable();
  if (!ServiceState(table, service)) {
    SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
    return nullptr;
  }
  if (Lower(table.Get(service, L"access").value_or(L"")) == L"denied") {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return new ServiceHandleRecord{false, service};
}

BOOL QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS* status) {
  if (!service || service->manager || !status) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  auto state = ServiceState(ServiceTable(), service->name);
  if (!state) {
    SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);  // removed since it was opened
    return FALSE;
  }
  std::wstring s = Lower(*state);
  status->dwServiceType = 1;  // SERVICE_KERNEL_DRIVER
  status->dwCurrentState = s == L"running"         ? SERVICE_RUNNING
                           : s == L"start_pending" ? SERVICE_START_PENDING
                           : s == L"stop_pending"  ? SERVICE_STOP_PENDING
                           : s == L"paused"        ? SERVICE_PAUSED
                                                   : SERVICE_STOPPED;
  return TRUE;
}

BOOL CloseServiceHandle(SC_HANDLE handle) {
  if (!handle) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  delete handle;
  return TRUE;
}
