#include "MainWnd/ConfigRelay.h"

#include "MainWnd/ConfigThread.h"
#include "platform/Threads.h"

namespace {

struct ThreadStart {
  std::shared_ptr<CConfigRelay> relay;
  std::string url;
};

unsigned WINAPI RelayThreadProc(void* argument) {
  std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(argument));
  RunConfigSequence(*start->relay, start->url);
  return 0;
}

}  // namespace

void CConfigRelay::Detach() {
  m_transfers.Abort();
  std::lock_guard<std::mutex> hold(m_lock);
  m_receiver = nullptr;
}

void CConfigRelay::Hand(void (IConfigReceiver::*queue)()) {
  std::lock_guard<std::mutex> hold(m_lock);
  if (m_receiver != nullptr) (m_receiver->*queue)();
}

void CConfigRelay::StartFirstLine() { Hand(&IConfigReceiver::QueueStartFirstLine); }
void CConfigRelay::InitialisationFailed() { Hand(&IConfigReceiver::QueueInitialisationFailed); }
void CConfigRelay::ExitForUpdate() { Hand(&IConfigReceiver::QueueExitForUpdate); }
void CConfigRelay::UpdateComponentMissing() { Hand(&IConfigReceiver::QueueUpdateComponentMissing); }
uintptr_t CConfigRelay::StartThread(const std::shared_ptr<CConfigRelay>& relay, const std::string& url,
                                    unsigned* threadId) {
  auto start = std::make_unique<ThreadStart>(ThreadStart{relay, url});
  uintptr_t handle = _beginthreadex(nullptr, 0, RelayThreadProc, start.get(), 0, threadId);
  if (handle != 0) start.release();
  return handle;
}
