#include "platform/Files.h"

#include "platform/Kernel.h"
#include "platform/LastError.h"
#include "platform/MachineRoot.h"
#include "platform/NativePath.h"
#include "platform/VirtualStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

// Converts a path for the file system; false (with the error set) for a
// null, empty or over-long path.
bool Native(LPCWSTR path, std::string& native) {
  if (!path || !*path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  if (std::wcslen(path) > kMaxWidePath) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  native = ToNativePath(path);
  return true;
}

// Native, then where the operation goes (VirtualStore.h).
bool Resolved(LPCWSTR path, FileAccess access, std::string& native) {
  std::string unresolved;
  if (!Native(path, unresolved)) return false;
  if (DWORD error = ResolveProgramFile(unresolved, access, native); error != ERROR_SUCCESS) {
    SetLastError(error);
    return false;
  }
  return true;
}

bool Exists(const std::string& native) {
  struct stat st{};
  return ::lstat(native.c_str(), &st) == 0;
}

// The error of a failed removal: a file that only the program directory
// holds cannot be removed by this user.
DWORD RemovalError(int err, LPCWSTR path, const std::string& removed) {
  std::string native;
  if (err == ENOENT && Native(path, native) && native != removed && Exists(native)) return ERROR_ACCESS_DENIED;
  return Win32ErrorFromErrno(err);
}

bool StatPath(LPCWSTR path, struct stat& st) {
  std::string native;
  if (!Resolved(path, FileAccess::kRead, native)) return false;
  if (::stat(native.c_str(), &st) != 0) {
    SetLastError(Win32ErrorFromErrno(errno));
    return false;
  }
  return true;
}

DWORD AttributesOf(const struct stat& st) {
  return S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

void FillFindData(const std::string& name, const struct stat& st, WIN32_FIND_DATAW* data) {
  *data = WIN32_FIND_DATAW{};
  data->dwFileAttributes = AttributesOf(st);
  auto size = static_cast<std::uint64_t>(st.st_size);
  data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
  data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  std::wstring wide = FromNativePath(name);
  size_t n = std::min(wide.size(), static_cast<size_t>(MAX_PATH - 1));
  std::wmemcpy(data->cFileName, wide.data(), n);
  data->cFileName[n] = 0;
}

class FindObject final : public KernelObject {
 public:
  std::vector<std::pair<std::string, struct stat>> entries;
  size_t next = 0;
};

}  // namespace

DWORD GetFileAttributesW(LPCWSTR path) {
  struct stat st{};
  if (!StatPath(path, st)) return INVALID_FILE_ATTRIBUTES;
  return AttributesOf(st);
}

BOOL GetFileAttributesExW(LPCWSTR path, GET_FILEEX_INFO_LEVELS, WIN32_FILE_ATTRIBUTE_DATA* data) {
  struct stat st{};
  if (!data || !StatPath(path, st)) return FALSE;
  data->dwFileAttributes = AttributesOf(st);
  auto size = static_cast<std::uint64_t>(st.st_size);
  data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
  data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  return TRUE;
}

BOOL PathIsDirectoryW(LPCWSTR path) {
  DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? TRUE : FALSE;
}

BOOL CreateDirectoryW(LPCWSTR path, void*) {
  std::string native;
  if (!Resolved(path, FileAccess::kRead, native)) return FALSE;
  if (Exists(native)) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (!Resolved(path, FileAccess::kCreate, native)) return FALSE;
  if (::mkdir(native.c_str(), 0755) != 0) {
    SetLastError(Win32ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR path) {
  std::string native;
  if (!Resolved(path, FileAccess::kRemove, native)) return FALSE;
  if (::rmdir(native.c_str()) != 0) {
    SetLastError(RemovalError(errno, path, native));
    return FALSE;
  }
  return TRUE;
}

BOOL DeleteFileW(LPCWSTR path) {
  std::string native;
  if (!Resolved(path, FileAccess::kRemove, native)) return FALSE;
  struct stat st{};
  if (::lstat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (::unlink(native.c_str()) != 0) {
    SetLastError(RemovalError(errno, path, native));
    return FALSE;
  }
  return TRUE;
}

BOOL CopyFileW(LPCWSTR existing, LPCWSTR target, BOOL failIfExists) {
  std::string from, to;
  if (!Resolved(existing, FileAccess::kRead, from) || !Resolved(target, FileAccess::kRead, to)) return FALSE;
  if (failIfExists && Exists(to)) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (!Resolved(target, FileAccess::kCreate, to)) return FALSE;
  struct stat st{};
  if (::stat(from.c_str(), &st) != 0) {
    SetLastError(Win32ErrorFromErrno(errno));
    return FALSE;
  }
  if (S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  std::error_code ec;
  auto options = failIfExists ? std::filesystem::copy_options::none
                              : std::filesystem::copy_options::overwrite_existing;
  if (!std::filesystem::copy_file(from, to, options, ec)) {
    SetLastError(ec == std::errc::file_exists ? ERROR_ALREADY_EXISTS : Win32ErrorFromErrno(ec.value()));
    return FALSE;
  }
  return TRUE;
}

HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* data) {
  std::string native;
  if (!data || !Native(pattern, native)) return INVALID_HANDLE_VALUE;
  auto* find = new FindObject;
  size_t slash = native.find_last_of('/');
  std::string dir = slash == std::string::npos ? "." : native.substr(0, slash == 0 ? 1 : slash);
  std::string last = slash == std::string::npos ? native : native.substr(slash + 1);
  if (last.find_first_of("*?") == std::string::npos) {
    struct stat st{};
    if (StatPath(pattern, st)) find->entries.emplace_back(last, st);
  } else {
    // The user's copies first: they hide the program directory's files of
    // the same name.
    std::set<std::string> listed;
    for (const std::string& listing : ProgramVirtualStore().ListingDirectories(dir)) {
      DIR* d = ::opendir(listing.c_str());
      if (!d) continue;
      while (dirent* e = ::readdir(d)) {
        if (::fnmatch(last.c_str(), e->d_name, 0) != 0 || !listed.insert(e->d_name).second) continue;
        struct stat st{};
        if (::stat((listing + "/" + e->d_name).c_str(), &st) == 0) find->entries.emplace_back(e->d_name, st);
      }
      ::closedir(d);
    }
  }
  if (find->entries.empty()) {
    find->Release();
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  FillFindData(find->entries[0].first, find->entries[0].second, data);
  find->next = 1;
  return find;
}

BOOL FindNextFileW(HANDLE handle, WIN32_FIND_DATAW* data) {
  auto* find = HandleAs<FindObject>(handle);
  if (!find || !data) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (find->next >= find->entries.size()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  FillFindData(find->entries[find->next].first, find->entries[find->next].second, data);
  ++find->next;
  return TRUE;
}

BOOL FindClose(HANDLE find) { return CloseHandle(find); }

FILE* _wfopen(const wchar_t* path, const wchar_t* mode) {
  std::string native;
  if (!mode) {
    errno = ENOENT;
    return nullptr;
  }
  std::string narrowMode;
  for (const wchar_t* m = mode; *m; ++m) narrowMode += static_cast<char>(*m);
  FileAccess access = FileAccess::kRead;
  if (narrowMode.find('w') != std::string::npos)
    access = FileAccess::kCreate;
  else if (narrowMode.find_first_of("a+") != std::string::npos)
    access = FileAccess::kModify;
  if (!Resolved(path, access, native)) {
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : ENOENT;
    return nullptr;
  }
  narrowMode += 'e';  // never leak the descriptor into child processes
  return std::fopen(native.c_str(), narrowMode.c_str());
}

UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size) {
  std::string native = MachinePath("Windows");
  std::error_code ec;
  std::filesystem::create_directories(native, ec);
  std::wstring wide = FromNativePath(native);
  if (!buffer || wide.size() + 1 > size) return static_cast<UINT>(wide.size() + 1);
  std::wmemcpy(buffer, wide.data(), wide.size());
  buffer[wide.size()] = 0;
  return static_cast<UINT>(wide.size());
}
