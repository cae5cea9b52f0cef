#include "platform/Debug.h"

#include "platform/CodePage.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

std::mutex& ListenerLock() {
  static std::mutex lock;
  return lock;
}

DebugListener& Listener() {
  static DebugListener* listener = new DebugListener;  // lives to the very end
  return *listener;
}

void Emit(const std::wstring& text) {
  std::lock_guard<std::mutex> guard(ListenerLock());
  if (Listener()) Listener()(text);
  const char* target = std::getenv("BRISGOL_DEBUG_OUTPUT");
  if (!target || !*target) return;
  std::string utf8 = WideToUtf8String(text);
  if (std::strcmp(target, "stderr") == 0) {
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    return;
  }
  if (FILE* f = std::fopen(target, "ab")) {
    std::fwrite(utf8.data(), 1, utf8.size(), f);
    std::fclose(f);
  }
}

}  // namespace

void OutputDebugStringW(const wchar_t* text) {
  if (text) Emit(text);
}

void OutputDebugStringA(const char* text) {
  if (text) Emit(Utf8ToWideString(text));
}

void SetDebugListener(DebugListener listener) {
  std::lock_guard<std::mutex> guard(ListenerLock());
  Listener() = std::move(listener);
}
