// Prints the time to decrypt a 20-block document and the time of a whole
// FetchConfigDocument (download into "config.txt", read, decrypt) from a
// local HTTP server.
#include "MainWnd/ConfigDocument.h"
#include "MainWnd/DocumentDecrypt.h"
#include "http/CurlTransport.h"

#include "system/Paths.h"
#include "system/WriteLogFile.h"
#include "tests/http/LocalHttpServer.h"
#include "tests/http/TestDocuments.h"
#include "tests/support/TempMachineRoot.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

template <class Work>
double MillisecondsPerRun(int runs, Work work) {
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < runs; ++i) work();
  std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
  return elapsed.count() / runs;
}

}  // namespace

int main() {
  std::string plain = "{\"in_open_url\":\"http://127.0.0.1/in\",\"out_open_url\":\"http://127.0.0.1/out\",\"pad\":\"";
  plain += std::string(20 * 117 - plain.size() - 2, 'x') + "\"}";
  std::string sealed = SealWithDocumentKey(plain);
  if (sealed.size() != 20 * 256 || DecryptDocument(sealed) != plain) {
    std::fprintf(stderr, "config_bench: the 20-block document does not round-trip\n");
    return 1;
  }
  double decrypt = MillisecondsPerRun(50, [&] { DecryptDocument(sealed); });
  std::printf("decrypt a 20-block document: %.3f ms\n", decrypt);

  TempMachineRoot root;
  auto programDir = root.Dir("program");
  auto docs = root.Dir("docs");
  g_programDir = programDir.wstring() + L"/";
  g_logFile.SetLogFile(g_programDir + L"log2.log", 1024);
  WriteTestFile(docs / "config.txt", sealed);
  LocalHttpServer server(docs);
  if (!server.running()) {
    std::fprintf(stderr, "config_bench: the local HTTP server did not start\n");
    return 1;
  }
  std::string url = server.Url("/files/config.txt");
  CCurlTransports transports;
  if (FetchConfigDocument(transports, url) != plain) {
    std::fprintf(stderr, "config_bench: FetchConfigDocument did not return the document\n");
    return 1;
  }
  double fetch = MillisecondsPerRun(20, [&] { FetchConfigDocument(transports, url); });
  std::printf("FetchConfigDocument of a 20-block document from a local server: %.3f ms\n", fetch);
  return 0;
}
