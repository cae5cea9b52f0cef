#include "uiframework/resources/ResourceSettings.h"

#include "uiframework/archive/ZipArchive.h"

#include <cwchar>
#include <string>
#include <unordered_map>

namespace SkinUI {

namespace {

struct Settings {
  HINSTANCE instance = nullptr;
  CUIString resourcePath;
  CUIString zipName;
  ZipArchive* archive = nullptr;
  std::string password;
  short hue = 180;
  short saturation = 100;
  short lightness = 100;
  bool hslEnabled = false;
  std::unordered_map<int, CUIString> languageStrings;

  ~Settings() {
    if (archive != nullptr) CloseArchive(archive);
  }
};

Settings& State() {
  static Settings settings;
  return settings;
}

}  // namespace

HINSTANCE CResourceSettingsUI::GetInstance() { return State().instance; }
void CResourceSettingsUI::SetInstance(HINSTANCE instance) { State().instance = instance; }
HINSTANCE CResourceSettingsUI::ResourceModule() { return State().instance; }

const CUIString& CResourceSettingsUI::GetResourcePath() { return State().resourcePath; }
void CResourceSettingsUI::SetResourcePath(LPCWSTR path) { State().resourcePath = path; }

const CUIString& CResourceSettingsUI::GetResourceZip() { return State().zipName; }

void CResourceSettingsUI::SetResourceZip(const void* buffer, DWORD length, const char* password) {
  Settings& s = State();
  s.password = password == nullptr ? std::string() : std::string(password).substr(0, kMaxPasswordBytes);
  if (s.zipName == kMemoryZipName) return;
  // The archive stays open for every later read.
  if (s.archive != nullptr) CloseArchive(s.archive);
  s.zipName = kMemoryZipName;
  s.archive = OpenArchiveMemory(buffer, length, GetResourceZipPassword());
}

ZipArchive* CResourceSettingsUI::GetResourceZipHandle() { return State().archive; }

const char* CResourceSettingsUI::GetResourceZipPassword() {
  return State().password.empty() ? nullptr : State().password.c_str();
}

bool CResourceSettingsUI::IsResourceZipKeptOpen() { return true; }

void CResourceSettingsUI::ResetResourceZip() {
  Settings& s = State();
  if (s.archive != nullptr) CloseArchive(s.archive);
  s.archive = nullptr;
  s.zipName.Empty();
  s.password.clear();
}

bool CResourceSettingsUI::GetHSL(short* hue, short* saturation, short* lightness) {
  const Settings& s = State();
  if (hue != nullptr) *hue = s.hue;
  if (saturation != nullptr) *saturation = s.saturation;
  if (lightness != nullptr) *lightness = s.lightness;
  return s.hslEnabled;
}

void CResourceSettingsUI::AddLanguageString(int id, LPCWSTR text) {
  State().languageStrings[id] = CUIString(text);
}

LPCWSTR CResourceSettingsUI::LanguageString(int id) {
  const auto& strings = State().languageStrings;
  const auto found = strings.find(id);
  return found == strings.end() ? nullptr : found->second.GetData();
}

void CResourceSettingsUI::RemoveAllLanguageStrings() {
  State().languageStrings.clear();
}

void CResourceSettingsUI::ExpandLanguageTokens(CUIString& text) {
  if (State().languageStrings.empty() || text.Find(L"%{") < 0) return;
  CUIString result;
  int pos = 0;
  const int length = text.GetLength();
  while (pos < length) {
    const int start = text.Find(L"%{", pos);
    if (start < 0) break;
    int end = start + 2;
    while (end < length && text.GetAt(end) >= L'0' && text.GetAt(end) <= L'9') ++end;
    LPCWSTR replacement = nullptr;
    if (end > start + 2 && end < length && text.GetAt(end) == L'}' && end - start - 2 <= 9) {
      replacement = LanguageString(std::wcstol(text.GetData() + start + 2, nullptr, 10));
    }
    if (replacement != nullptr) {
      result.Append(text.GetData() + pos, start - pos);
      result.Append(replacement);
      pos = end + 1;
    } else {
      result.Append(text.GetData() + pos, start + 2 - pos);
      pos = start + 2;
    }
  }
  result.Append(text.GetData() + pos, length - pos);
  text = result;
}

}  // namespace SkinUI
