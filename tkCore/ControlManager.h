// The acceleration control: redirection drivers, the local port pair, the
// local proxy "local.exe" and the redirection rule. One instance per
// process.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

enum class DriverState : std::int32_t { NotTried = 0, Installed = 1, Failed = 2 };

class ControlManager {
 public:
  // The process's instance, created on first use and never destroyed.
  static ControlManager* GetInstance();

  // Installs the redirection drivers once per run (copies the driver files
  // under the Windows directory, then asks the library, with the 64-bit
  // fallbacks). True when they are installed, now or earlier; every true
  // result first removes all redirection rules.
  bool InstallDriver();

  // Checks pair index (1..3): true when neither port (the secondary one
  // only when needSecondary) is owned by a process.
  bool CheckPortPair(int index, bool needSecondary, int& mainPort, int& secondaryPort);
  // The first free pair, starting at "proxy_port_index" of "local.cfg".
  bool SelectProxyPorts(int& mainPort, int& secondaryPort, bool needSecondary);

  // Starts acceleration on line 1, 2 or 3. Returns the empty message on
  // success (after calling onStarted, when given), or the failure message
  // with resultCode set. Blocks for at least two seconds unless the
  // required "tdx" service is missing. A StopAcceleration after the start
  // was requested ends it early, before it launches the local proxy or
  // adds a rule (or, once launched, before the rule).
  //
  // The start is requested when this is called ...
  std::wstring StartAcceleration(int line, const std::function<void()>& onStarted, int& resultCode);
  // ... or, for a start that runs on a thread of its own, when its ticket
  // was taken: a stop between PrepareStart and the worker's first step is
  // then not missed.
  std::wstring StartAcceleration(int line, const std::function<void()>& onStarted, int& resultCode,
                                 std::uint64_t ticket);

  // Ends every "local.exe" and removes all redirection rules.
  void StopAcceleration();
  // Stops as StopAcceleration does, which also ends every start requested
  // before, and returns the ticket of the start that follows.
  std::uint64_t PrepareStart();

  DriverState driverState() const { return driverState_.load(); }

  // The message of a start that a stop request ended early.
  static constexpr const wchar_t* kStoppedMessage = L"加速已停止";

 private:
  ControlManager() = default;

  // The stop requests seen so far; a start remembers the count it began with.
  bool StopRequestedSince(std::uint64_t generation) const;
  // Waits up to milliseconds; true when a stop request arrived meanwhile.
  bool WaitUnlessStopped(unsigned milliseconds, std::uint64_t generation);
  bool SelectPorts(int& mainPort, int& secondaryPort, bool needSecondary, std::uint64_t generation, bool& stopped);
  bool LaunchLocalProxy(const std::wstring& commandLine);
  // InstallDriver without its removal of the rules.
  bool InstallDriverOnce();
  // Runs step under the launch lock unless a stop came after generation;
  // false when one did (step not run).
  bool UnlessStopped(std::uint64_t generation, const std::function<void()>& step);

  std::atomic<DriverState> driverState_{DriverState::NotTried};
  std::mutex installLock_;

  // Taken around every launch, rule change and stop, so that a stop either
  // comes after a launch (and ends it) or the start sees it.
  std::mutex launchLock_;
  std::mutex stopLock_;
  std::condition_variable stopSignal_;
  std::atomic<std::uint64_t> stopGeneration_{0};
};
