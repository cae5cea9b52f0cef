#include "tkCore/DownloadToFile.h"

#include "http/HttpClient.h"
#include "platform/Files.h"
#include "system/Paths.h"
#include "system/TextConvert.h"
#include "system/WriteLogFile.h"

#include <string>

bool DownloadToFile(IHttpTransports& http, const char* url, const wchar_t* filePath, BYTE replaceExisting,
                    CTransferAbort* abort) {
  if (!url || !*url) return false;
  std::wstring path = filePath ? filePath : L"";
  WIN32_FILE_ATTRIBUTE_DATA attributes;
  if (!path.empty() && GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) {
    if (replaceExisting == 0) return true;
    DeleteFileW(path.c_str());
  }

  long status = 0;
  {
    CHttpClient client(http);
    client.InitLibCurl(nullptr);
    client.SetAbort(abort);
    // Documents are read back whole; a larger body is no document.
    client.SetMaxBodyBytes(kMaxReadFileBytes);
    std::string response;
    status = client.Request(url, kHttpGet, response, nullptr, path);
    // 300 is taken as success: the servers' documents have been fetched
    // this way (compatibility). A transfer that broke off after a good
    // status leaves a cut file, which must not count either.
    if (status < 200 || status > 300 || !client.LastTransferSucceeded()) {
      if (!path.empty()) DeleteFileW(path.c_str());
    }
    client.Cleanup();
  }

  if (!path.empty() && GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) return true;
  g_logFile.WriteFormat(__FILE__, __LINE__, L"%s下载失败%s,%ld", AnsiToWide(url).c_str(), path.c_str(), status);
  return false;
}
