// Ending and counting processes by image name, and asking which process
// owns a local port.
#pragma once

#include "platform/Types.h"

#include <string>
#include <vector>

// Ends every process whose image name equals name exactly (or only the
// first one when all is false), waiting up to kKillWaitMs for each to be
// gone. 0 when no snapshot could be taken, else 1.
int KillProcessesByName(const std::wstring& name, bool all);

// The ids of the processes whose image name matches name, in snapshot
// order; exactCase false compares ignoring case.
void FindProcessIdsByName(const std::wstring& name, std::vector<DWORD>& ids, bool exactCase);

// The id of the process that owns the local TCP or UDP port, -1 when none
// does or the query failed (callers count -1 as free). A bound or
// listening socket whose process cannot be seen (another user's) answers
// kUnseenOwnerPid; a port named only by closed connections (TIME-WAIT,
// FIN-WAIT and the like) answers 0.
int QueryPortOwner(int port);

// The owner reported for a taken port whose process is not visible: the id
// netstat shows for the system's own sockets.
constexpr int kUnseenOwnerPid = 4;

// How long KillProcessesByName waits for one ended process to be gone.
constexpr DWORD kKillWaitMs = 2000;

// How long QueryPortOwner lets its helper program run.
constexpr DWORD kPortQueryTimeoutMs = 2000;
