#include "MainWnd/WhitelistFetch.h"

#include "MainWnd/DocumentDecrypt.h"
#include "MainWnd/DocumentJson.h"
#include "system/Paths.h"
#include "system/WriteLogFile.h"
#include "tkCore/DownloadToFile.h"

const wchar_t* WhitelistFileName(WhitelistKind kind) {
  return kind == WhitelistKind::kInside ? L"WebWhiteList.txt" : L"OutWebWhiteList.txt";
}

bool FetchWhitelist(IHttpTransports& http, const std::string& url, WhitelistKind kind, CWhitelist& list,
                    CTransferAbort* abort) {
  if (url.empty()) {
    g_logFile.WriteText(__FILE__, __LINE__, L"下载链接为空");
    return false;
  }
  std::wstring path = g_programDir + WhitelistFileName(kind);
  DownloadToFile(http, url.c_str(), path.c_str(), 1, abort);
  if (!PathExists(path)) {
    g_logFile.WriteText(__FILE__, __LINE__, L"文件不存在");
    return false;
  }
  std::string text = DecryptDocument(ReadFileToString(path));
  if (text.empty()) {
    g_logFile.WriteText(__FILE__, __LINE__, L"解密失败");
    return false;
  }
  WhitelistEntries entries;
  if (!ReadWhitelistEntries(text, entries)) {
    g_logFile.WriteText(__FILE__, __LINE__, L"解析失败");
    return false;
  }
  if (!entries.empty()) list.Append(entries);
  if (list.IsEmpty()) {
    g_logFile.WriteText(__FILE__, __LINE__, kind == WhitelistKind::kInside ? L"内部数据为空" : L"回调数据为空");
    return false;
  }
  return true;
}
