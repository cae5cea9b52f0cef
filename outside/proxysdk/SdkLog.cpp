#include "outside/proxysdk/SdkLog.h"

#include "outside/proxysdk/RedirectClient.h"
#include "system/TextConvert.h"
#include "system/WriteLogFile.h"

void LogFailure(const char* file, int line, const std::string& text) {
  CWriteLogFile log;
  log.SetLogFile(Utf8ToWide(LibraryDirectory() + "/log2.log"), 1024);
  log.WriteText(file, line, Utf8ToWide("proxysdk: " + text));
}
