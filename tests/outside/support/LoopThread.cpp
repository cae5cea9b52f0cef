#include "tests/outside/support/LoopThread.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <future>

LoopThread::LoopThread() {
  m_wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  std::promise<void> ready;
  m_thread = std::thread([this, &ready] {
    // The loop blocks its signals in the thread it runs on.
    m_loop.Init();
    m_loop.Add(m_wakeFd, EPOLLIN, this);
    ready.set_value();
    m_loop.Run();
  });
  ready.get_future().wait();
}

LoopThread::~LoopThread() {
  Run([this] { m_loop.Stop(); });
  m_thread.join();
  close(m_wakeFd);
}

void LoopThread::Run(const std::function<void()>& work) {
  std::promise<void> done;
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_work.push_back([&] {
      work();
      done.set_value();
    });
  }
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = write(m_wakeFd, &one, sizeof one);
  done.get_future().wait();
}

void LoopThread::OnEvent(int, std::uint32_t) {
  std::uint64_t count;
  [[maybe_unused]] const ssize_t drained = read(m_wakeFd, &count, sizeof count);
  std::vector<std::function<void()>> work;
  {
    std::lock_guard<std::mutex> hold(m_lock);
    work.swap(m_work);
  }
  for (auto& item : work) item();
}
