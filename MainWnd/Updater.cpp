#include "MainWnd/Updater.h"

#include "BuildSettings.h"
#include "platform/Files.h"
#include "platform/Module.h"
#include "platform/Processes.h"
#include "system/Paths.h"
#include "system/TextConvert.h"
#include "system/WriteLogFile.h"

#include <json/json.h>

std::string BuildUpdateRequest(const std::string& md5, const std::string& url, const std::string& exeName) {
  Json::Value request(Json::objectValue);
  request["exe_name"] = exeName;
  // The digest is handed on as the document gives it; the update program
  // checks it (compatibility: deployed documents carry MD5 digests).
  request["update_md5"] = md5;
  request["update_url"] = url;
  request["version"] = WideToUtf8(build_settings::kVersionName);
  request["version_code"] = std::to_string(build_settings::kVersionCode);
  Json::FastWriter writer;
  return writer.write(request);
}

std::wstring QuoteCommandLineArgument(const std::wstring& text) {
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : text) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') {
      quoted.append(backslashes * 2 + 1, L'\\');
    } else {
      quoted.append(backslashes, L'\\');
    }
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(backslashes * 2, L'\\');
  quoted.push_back(L'"');
  return quoted;
}

bool LaunchUpdater(const std::string& md5, const std::string& url) {
  std::wstring source = g_programDir + L"update.exe";
  WIN32_FILE_ATTRIBUTE_DATA attributes;
  if (!GetFileAttributesExW(source.c_str(), GetFileExInfoStandard, &attributes)) {
    g_logFile.WriteText(__FILE__, __LINE__, L"更新组件丢失");
    return false;
  }
  std::wstring directory = g_programDir + L"update";
  CreateDirectoryTree(directory);
  std::wstring target = directory + L"\\update.exe";
  if (!CopyFileW(source.c_str(), target.c_str(), FALSE)) {
    g_logFile.WriteFormat(__FILE__, __LINE__, L"更新组件复制失败%s", target.c_str());
    return false;
  }

  wchar_t modulePath[512] = {};
  GetModuleFileNameW(nullptr, modulePath, 512);
  std::string request = BuildUpdateRequest(md5, url, WideToUtf8(GetPathTail(modulePath)));

  // Started directly with the request as its one argument, never through a
  // shell: the request carries remote text.
  std::wstring commandLine = QuoteCommandLineArgument(Utf8ToWide(request));
  STARTUPINFOW startup;
  PROCESS_INFORMATION process;
  if (!CreateProcessW(target.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    g_logFile.WriteFormat(__FILE__, __LINE__, L"更新组件启动失败%s", target.c_str());
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}
