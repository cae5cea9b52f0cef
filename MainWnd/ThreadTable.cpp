#include "MainWnd/ThreadTable.h"

#include "platform/Threads.h"

CThreadTable::~CThreadTable() {
  for (auto& entry : m_threads) CloseHandle(entry.second);
}

void CThreadTable::Register(unsigned threadId, HANDLE handle) {
  if (IsNullHandle(handle)) return;
  std::lock_guard<std::mutex> hold(m_lock);
  for (const auto& entry : m_threads)
    if (entry.second == handle) return;
  m_threads.emplace(threadId, handle);
}

size_t CThreadTable::Count() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_threads.size();
}

std::vector<unsigned> CThreadTable::StopAll(DWORD timeoutMs) {
  m_stop = true;
  std::multimap<unsigned, HANDLE> threads;
  {
    // Taken out whole, so that the waits below hold no lock.
    std::lock_guard<std::mutex> hold(m_lock);
    threads.swap(m_threads);
  }
  std::vector<unsigned> late;
  const std::uint64_t deadline = GetTickCount64() + timeoutMs;
  for (auto& [id, handle] : threads) {
    const std::uint64_t now = GetTickCount64();
    DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
    if (WaitForSingleObject(handle, left) != WAIT_OBJECT_0) late.push_back(id);
    CloseHandle(handle);
  }
  return late;
}
