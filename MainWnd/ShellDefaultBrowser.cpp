#include "MainWnd/ShellDefaultBrowser.h"

#include "platform/shell/ShellApi.h"
#include "system/WriteLogFile.h"

bool CShellDefaultBrowser::Open(const std::wstring& address) {
  if (!CPortalPolicy::IsWebAddress(address)) {
    g_logFile.WriteText(__FILE__, __LINE__, L"弹出窗口的地址不是网页地址，未交给默认浏览器");
    return false;
  }
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result > 32) return true;
  g_logFile.WriteFormat(__FILE__, __LINE__, L"默认浏览器无法打开 %s（%d）", address.c_str(), static_cast<int>(result));
  return false;
}
