// A program that works on files beside itself through the platform layer,
// as the front end does with g_programDir + name. The virtual store test
// copies it into a program directory and runs it as a player would.
//
//   probe write NAME TEXT         _wfopen "wb"
//   probe append NAME TEXT        _wfopen "ab+"
//   probe read NAME               prints the content, or "missing"
//   probe delete NAME             DeleteFileW
//   probe mkdir NAME              CreateDirectoryW
//   probe copy FROM TO            CopyFileW, overwriting
//   probe set NAME SECTION KEY VALUE    WritePrivateProfileStringW
//   probe get NAME SECTION KEY    GetPrivateProfileStringW ("-" when missing)
//   probe list PATTERN            FindFirstFileW/FindNextFileW, one name a line
//
// NAME is relative to the probe's own directory, "\\" separating parts.
// Every command but read, get and list prints "ok" or "error N".
#include "platform/Files.h"
#include "platform/LastError.h"
#include "platform/Module.h"
#include "platform/Profile.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::wstring Wide(const char* text) {
  std::wstring wide;
  for (const char* p = text; *p; ++p) wide += static_cast<wchar_t>(static_cast<unsigned char>(*p));
  return wide;
}

std::wstring ProgramFile(const char* name) {
  wchar_t module[4096] = {};
  GetModuleFileNameW(nullptr, module, 4096);
  std::wstring directory = module;
  directory.resize(directory.find_last_of(L"/\\") + 1);
  return directory + Wide(name);
}

int Report(bool ok) {
  if (ok) {
    std::puts("ok");
  } else {
    std::printf("error %u\n", static_cast<unsigned>(GetLastError()));
  }
  return 0;
}

int WriteFile(const char* name, const char* text, const wchar_t* mode) {
  FILE* f = _wfopen(ProgramFile(name).c_str(), mode);
  if (!f) {
    SetLastError(errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
    return Report(false);
  }
  const bool ok = std::fwrite(text, 1, std::strlen(text), f) == std::strlen(text);
  return Report(std::fclose(f) == 0 && ok);
}

int ReadFile(const char* name) {
  FILE* f = _wfopen(ProgramFile(name).c_str(), L"rb");
  if (!f) {
    std::puts("missing");
    return 0;
  }
  char buffer[4096];
  size_t n = std::fread(buffer, 1, sizeof buffer, f);
  std::fclose(f);
  std::fwrite(buffer, 1, n, stdout);
  std::putchar('\n');
  return 0;
}

int List(const char* pattern) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(ProgramFile(pattern).c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    std::printf("%ls\n", data.cFileName);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "write" && argc == 4) return WriteFile(argv[2], argv[3], L"wb");
  if (command == "append" && argc == 4) return WriteFile(argv[2], argv[3], L"ab+");
  if (command == "read" && argc == 3) return ReadFile(argv[2]);
  if (command == "delete" && argc == 3) return Report(DeleteFileW(ProgramFile(argv[2]).c_str()));
  if (command == "mkdir" && argc == 3) return Report(CreateDirectoryW(ProgramFile(argv[2]).c_str(), nullptr));
  if (command == "copy" && argc == 4)
    return Report(CopyFileW(ProgramFile(argv[2]).c_str(), ProgramFile(argv[3]).c_str(), FALSE));
  if (command == "set" && argc == 6)
    return Report(WritePrivateProfileStringW(Wide(argv[3]).c_str(), Wide(argv[4]).c_str(), Wide(argv[5]).c_str(),
                                             ProgramFile(argv[2]).c_str()));
  if (command == "get" && argc == 5) {
    wchar_t value[256];
    GetPrivateProfileStringW(Wide(argv[3]).c_str(), Wide(argv[4]).c_str(), L"-", value, 256,
                             ProgramFile(argv[2]).c_str());
    std::printf("%ls\n", value);
    return 0;
  }
  if (command == "list" && argc == 3) return List(argv[2]);
  std::fprintf(stderr, "usage: see the comment at the top of VirtualStoreProbe.cpp\n");
  return 2;
}
