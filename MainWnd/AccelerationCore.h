// The acceleration core as the main window reaches it: ControlManager,
// obtained on first use.
#pragma once

#include "MainWnd/MainWndSeams.h"

#include <atomic>

class CControlManagerCore : public IAccelerationCore {
 public:
  void Stop() override;
  void StopIfObtained() override;
  std::uint64_t PrepareStart() override;
  std::wstring Start(int line, std::uint64_t ticket, const std::function<void(DWORD)>& onStarted,
                     int& resultCode) override;

 private:
  std::atomic<bool> m_obtained{false};
};

// The three server lines as the connect-time probe measures them.
std::vector<LatencyTarget> ServerLineTargets();
