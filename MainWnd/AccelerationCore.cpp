#include "MainWnd/AccelerationCore.h"

#include "platform/Processes.h"
#include "system/ProcessUtils.h"
#include "tkCore/ControlManager.h"
#include "tkCore/ServerLines.h"

#include <vector>

void CControlManagerCore::Stop() {
  m_obtained = true;
  ControlManager::GetInstance()->StopAcceleration();
}

void CControlManagerCore::StopIfObtained() {
  if (m_obtained) ControlManager::GetInstance()->StopAcceleration();
}

std::uint64_t CControlManagerCore::PrepareStart() {
  m_obtained = true;
  return ControlManager::GetInstance()->PrepareStart();
}

std::wstring CControlManagerCore::Start(int line, std::uint64_t ticket, const std::function<void(DWORD)>& onStarted,
                                        int& resultCode) {
  // The start has just found exactly one "local.exe": that is the proxy.
  auto started = [&onStarted] {
    std::vector<DWORD> running;
    FindProcessIdsByName(L"local.exe", running, false);
    onStarted(running.size() == 1 ? running[0] : 0);
  };
  return ControlManager::GetInstance()->StartAcceleration(line, started, resultCode, ticket);
}

std::vector<LatencyTarget> ServerLineTargets() {
  std::vector<LatencyTarget> targets;
  for (int line = 1; line <= 3; ++line) {
    const ServerLine server = GetServerLine(line);
    targets.push_back(LatencyTarget{server.address, server.port});
  }
  return targets;
}
