#include "uiframework/resources/SkinFileReader.h"

#include "platform/Files.h"
#include "uiframework/archive/ZipEntryReader.h"
#include "uiframework/resources/ResourceSettings.h"

#include <cstdio>

namespace SkinUI {

namespace {

SkinFileStatus ReadPlainFile(const CUIString& path, size_t maxBytes, std::string& bytes) {
  FILE* file = _wfopen(path.GetData(), L"rb");
  if (file == nullptr) return SkinFileStatus::FileOpenFailed;
  SkinFileStatus status = SkinFileStatus::Ok;
  long size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) status = SkinFileStatus::FileReadFailed;
  else if (size == 0) status = SkinFileStatus::FileEmpty;
  else if (static_cast<unsigned long>(size) > maxBytes) status = SkinFileStatus::FileTooLarge;
  if (status == SkinFileStatus::Ok) {
    bytes.resize(static_cast<size_t>(size));
    if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) status = SkinFileStatus::FileReadFailed;
  }
  std::fclose(file);
  if (status != SkinFileStatus::Ok) bytes.clear();
  return status;
}

}  // namespace

SkinFileStatus ReadSkinFile(LPCWSTR name, size_t maxBytes, std::string& bytes) {
  bytes.clear();
  if (name == nullptr) name = L"";
  if (CResourceSettingsUI::GetResourceZip().IsEmpty())
    return ReadPlainFile(CResourceSettingsUI::GetResourcePath() + name, maxBytes, bytes);
  ZipArchive* archive = CResourceSettingsUI::GetResourceZipHandle();
  if (archive == nullptr) return SkinFileStatus::ZipOpenFailed;
  switch (ReadEntryBytes(archive, name, maxBytes, bytes)) {
    case EntryReadStatus::Ok: return SkinFileStatus::Ok;
    case EntryReadStatus::NotFound: return SkinFileStatus::ZipEntryMissing;
    case EntryReadStatus::Empty: return SkinFileStatus::ZipEntryEmpty;
    case EntryReadStatus::TooLarge: return SkinFileStatus::ZipEntryTooLarge;
    case EntryReadStatus::Failed: break;
  }
  return SkinFileStatus::ZipReadFailed;
}

}  // namespace SkinUI
