// Records per second of the log writer, from one thread and from four.
#include "system/WriteLogFile.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

double RecordsPerSecond(const std::filesystem::path& file, int threads, int recordsPerThread) {
  std::filesystem::remove(file);
  CWriteLogFile log;
  log.SetLogFile(file.wstring(), 1024);
  auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t)
    workers.emplace_back([&log, t, recordsPerThread] {
      for (int i = 0; i < recordsPerThread; ++i)
        log.WriteFormat(__FILE__, __LINE__, L"线程 %d 记录 %d: 加速成功 port=%d", t, i, 48080);
    });
  for (auto& w : workers) w.join();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return threads * recordsPerThread / seconds;
}

}  // namespace

int main() {
  std::string templ = (std::filesystem::temp_directory_path() / "bench-log-XXXXXX").string();
  if (!mkdtemp(templ.data())) return 1;
  std::filesystem::path file = std::filesystem::path(templ) / "log2.log";
  std::printf("log writer, 1 thread:  %.0f records/s\n", RecordsPerSecond(file, 1, 20000));
  std::printf("log writer, 4 threads: %.0f records/s\n", RecordsPerSecond(file, 4, 5000));
  std::filesystem::remove_all(templ);
  return 0;
}
