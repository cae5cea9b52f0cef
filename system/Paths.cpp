#include "system/Paths.h"

#include "platform/Debug.h"
#include "platform/Files.h"
#include "platform/LastError.h"
#include "platform/Module.h"

#include <sys/types.h>

#include <cstdio>
#include <cstring>

std::wstring g_programDir;

namespace {

size_t LastSeparator(const std::wstring& path) { return path.find_last_of(L"\\/"); }

}  // namespace

std::wstring GetModuleDirectory(HMODULE module) {
  std::wstring path = ModuleFileName(module);
  size_t sep = LastSeparator(path);
  return sep == std::wstring::npos ? std::wstring() : path.substr(0, sep + 1);
}

std::wstring GetFileNameOfPath(const std::wstring& path) {
  size_t sep = LastSeparator(path);
  std::wstring name = sep == std::wstring::npos ? path : path.substr(sep + 1);
  // A drive prefix ("C:name") is not part of the name.
  if (sep == std::wstring::npos && name.size() >= 2 && name[1] == L':') name.erase(0, 2);
  return name;
}

std::wstring GetPathTail(const std::wstring& path) {
  size_t sep = LastSeparator(path);
  return sep == std::wstring::npos ? path : path.substr(sep + 1);
}

bool PathExists(const wchar_t* path) {
  if (!path || !*path) return false;
  return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

bool CreateDirectoryTree(const std::wstring& path) {
  if (PathIsDirectoryW(path.c_str())) return true;
  size_t sep = LastSeparator(path);
  if (sep == std::wstring::npos) return false;
  std::wstring parent = path.substr(0, sep);
  if (!parent.empty() && !PathIsDirectoryW(parent.c_str()) && !CreateDirectoryTree(parent)) return false;
  if (CreateDirectoryW(path.c_str(), nullptr)) return true;
  return GetLastError() == ERROR_ALREADY_EXISTS;
}

std::string ReadFileToString(const std::wstring& path) {
  FILE* f = _wfopen(path.c_str(), L"rb");
  if (!f) {
    OutputDebugStringW(L"文件打开失败\n");
    return std::string();
  }
  std::string content;
  off_t size = -1;
  if (fseeko(f, 0, SEEK_END) == 0) size = ftello(f);
  if (size < 0 || static_cast<std::uint64_t>(size) > kMaxReadFileBytes || fseeko(f, 0, SEEK_SET) != 0) {
    OutputDebugStringW(L"文件读写异常\n");
    std::fclose(f);
    return content;
  }
  content.resize(static_cast<size_t>(size));
  size_t got = size > 0 ? std::fread(content.data(), 1, content.size(), f) : 0;
  std::fclose(f);
  content.resize(got);
  size_t zero = content.find('\0');
  if (zero != std::string::npos) content.resize(zero);
  return content;
}

void SplitText(const std::string& text, const std::string& separator, std::vector<std::string>& pieces) {
  pieces.clear();
  if (text.empty()) return;
  if (separator.empty()) {
    pieces.push_back(text);
    return;
  }
  size_t position = 0;
  size_t found = text.find(separator);
  if (found == std::string::npos) return;  // no separator: no pieces at all
  for (; found != std::string::npos; found = text.find(separator, position)) {
    pieces.push_back(text.substr(position, found - position));
    position = found + separator.size();
  }
  if (position < text.size()) pieces.push_back(text.substr(position));
}
