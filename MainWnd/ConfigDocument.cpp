#include "MainWnd/ConfigDocument.h"

#include "BuildSettings.h"
#include "MainWnd/DocumentDecrypt.h"
#include "system/Paths.h"
#include "system/WriteLogFile.h"
#include "tkCore/DownloadToFile.h"

std::string ConfigDocumentUrl() {
  // The configuration document is fetched over plain HTTP: the deployed
  // configuration servers offer nothing else (compatibility).
  return std::string("http://") + build_settings::kConfigHost + "/tolvene/config.txt";
}

std::string FetchConfigDocument(IHttpTransports& http, const std::string& url, CTransferAbort* abort) {
  if (url.empty()) {
    g_logFile.WriteText(__FILE__, __LINE__, L"下载链接为空");
    return std::string();
  }
  std::wstring path = g_programDir + L"config.txt";
  DownloadToFile(http, url.c_str(), path.c_str(), 1, abort);
  if (!PathExists(path)) {
    g_logFile.WriteText(__FILE__, __LINE__, L"文件不存在");
    return std::string();
  }
  return DecryptDocument(ReadFileToString(path));
}
