// The calling thread's last error code, as GetLastError reports it.
#pragma once

#include "platform/Types.h"

DWORD GetLastError();
void SetLastError(DWORD code);

// Maps an errno value of the host to the nearest Win32 error code.
DWORD Win32ErrorFromErrno(int err);
