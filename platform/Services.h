// The service control manager of the layer: a table of services and their
// states under the machine root ("services.ini", one section per service
// with "state=running|stopped|absent|..." and optionally "access=denied").
//
// The Windows this layer answers as always runs some services of its own
// ("tdx", the TCP/IP transport driver): those answer as running unless the
// table names them; "state=absent" removes one.
#pragma once

#include "platform/Types.h"

struct ServiceHandleRecord;
using SC_HANDLE = ServiceHandleRecord*;

constexpr DWORD SC_MANAGER_CONNECT = 0x0001;
constexpr DWORD SERVICE_QUERY_STATUS = 0x0004;

constexpr DWORD SERVICE_STOPPED = 1;
constexpr DWORD SERVICE_START_PENDING = 2;
constexpr DWORD SERVICE_STOP_PENDING = 3;
constexpr DWORD SERVICE_RUNNING = 4;
constexpr DWORD SERVICE_PAUSED = 7;

struct SERVICE_STATUS {
  DWORD dwServiceType = 0;
  DWORD dwCurrentState = 0;
};

SC_HANDLE OpenSCManagerW(LPCWSTR machine, LPCWSTR database, DWORD access);
// Fails with ERROR_SERVICE_DOES_NOT_EXIST for an unknown name and with
// ERROR_ACCESS_DENIED for a service marked "access=denied".
SC_HANDLE OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access);
BOOL QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS* status);
BOOL CloseServiceHandle(SC_HANDLE handle);
