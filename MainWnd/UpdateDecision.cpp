#include "MainWnd/UpdateDecision.h"

#include "BuildSettings.h"
#include "system/Paths.h"
#include "system/TextConvert.h"

#include <cwchar>

long ReleaseVersionCode(const std::string& updateUrl) {
  std::wstring segment = GetPathTail(Utf8ToWide(updateUrl));
  return std::wcstol(segment.c_str(), nullptr, 10);
}

bool ReleaseIsNewer(const std::string& updateUrl) {
  return !updateUrl.empty() && ReleaseVersionCode(updateUrl) > build_settings::kVersionCode;
}
