// CResourceSettingsUI: the process-wide resource settings every window
// reads: the program instance and resource module, the resource path, the
// skin archive with its password, the colour adjustment and the
// multi-language strings. The window manager derives from it, so callers
// write CWindowManagerUI::SetResourceZip(...).
#pragma once

#include "platform/Types.h"
#include "uiframework/archive/ZipTypes.h"
#include "uiframework/core/UIString.h"

namespace SkinUI {

class CResourceSettingsUI {
 public:
  static constexpr int kMaxPasswordBytes = 64;
  // The zip name while the archive is held in memory.
  static constexpr const wchar_t* kMemoryZipName = L"membuffer";

  static HINSTANCE GetInstance();
  static void SetInstance(HINSTANCE instance);
  // The module that holds the resources: the instance (no separate
  // resource module is used).
  static HINSTANCE ResourceModule();

  static const CUIString& GetResourcePath();
  static void SetResourcePath(LPCWSTR path);

  static const CUIString& GetResourceZip();
  // Keeps the password (cut to 64 bytes; empty or null clears it) and, the
  // first time, opens the archive from buffer, which must stay valid while
  // it is open. Later calls only change the password.
  static void SetResourceZip(const void* buffer, DWORD length, const char* password);
  static ZipArchive* GetResourceZipHandle();
  // Null when no password is set.
  static const char* GetResourceZipPassword();
  // The archive is opened once and kept open for all reads.
  static bool IsResourceZipKeptOpen();
  // Closes the archive and forgets the zip name and password, so that
  // skin files are read from the file system again.
  static void ResetResourceZip();

  // The hue/saturation/lightness adjustment; returns whether it is on.
  static bool GetHSL(short* hue, short* saturation, short* lightness);

  static void AddLanguageString(int id, LPCWSTR text);
  // The string, or null.
  static LPCWSTR LanguageString(int id);
  // Replaces every %{n} whose string exists; scans forward only, so a
  // string that contains its own token is inserted once.
  static void ExpandLanguageTokens(CUIString& text);
  static void RemoveAllLanguageStrings();
};

}  // namespace SkinUI
