#include "platform/VirtualStore.h"

#include "platform/LastError.h"
#include "platform/MachineRoot.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace {

// An absolute, lexically normal path without a trailing separator.
std::string Normalized(const std::string& path) {
  if (path.empty()) return path;
  std::filesystem::path p(path);
  if (p.is_relative()) {
    std::error_code ec;
    p = std::filesystem::current_path(ec) / p;
  }
  std::string text = p.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// "name.so" or "name.so.1.2".
bool IsSharedObjectName(const std::string& name) {
  for (size_t at = name.find(".so", 1); at != std::string::npos; at = name.find(".so", at + 1)) {
    bool versions = true;
    for (size_t i = at + 3; i < name.size() && versions; ++i) {
      const bool digit = name[i] >= '0' && name[i] <= '9';
      versions = digit || (name[i] == '.' && i + 1 < name.size() && name[i + 1] >= '0' && name[i + 1] <= '9');
    }
    if (versions) return true;
  }
  return false;
}

bool Exists(const std::string& path) {
  struct stat st{};
  return ::lstat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ExecutableDirectory() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::string();
  return self.parent_path().string();
}

// The executable's directory when this process cannot write it; empty
// otherwise. Found once: neither changes while the program runs.
const std::string& ProtectedProgramDirectory() {
  static const std::string directory = [] {
    std::string dir = ExecutableDirectory();
    if (dir.empty() || ::access(dir.c_str(), W_OK) == 0) return std::string();
    return Normalized(dir);
  }();
  return directory;
}

}  // namespace

CVirtualStore::CVirtualStore(std::string programDirectory, std::string storeRoot)
    : programDirectory_(Normalized(programDirectory)), storeRoot_(Normalized(storeRoot)) {
  if (storeRoot_ == "/") storeRoot_.clear();
}

bool CVirtualStore::StorePath(const std::string& native, std::string& store) const {
  if (programDirectory_.empty() || native.empty()) return false;
  const std::string path = Normalized(native);
  const std::string prefix = programDirectory_ == "/" ? "/" : programDirectory_ + "/";
  if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) return false;
  store = storeRoot_ + path;
  return true;
}

bool CVirtualStore::IsExecutableImage(const std::string& native) const {
  const std::string name = std::filesystem::path(Normalized(native)).filename().string();
  std::string lower;
  for (char c : name) lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  for (const char* extension : {".exe", ".dll", ".sys"})
    if (EndsWith(lower, extension)) return true;
  if (IsSharedObjectName(lower)) return true;
  struct stat st{};
  return ::stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0111) != 0;
}

DWORD CVirtualStore::Resolve(const std::string& native, FileAccess access, std::string& resolved) const {
  resolved = native;
  std::string store;
  if (!StorePath(native, store)) return ERROR_SUCCESS;
  if (IsExecutableImage(native)) return access == FileAccess::kRead ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
  if (access == FileAccess::kRead) {
    if (Exists(store)) resolved = store;
    return ERROR_SUCCESS;
  }
  if (access == FileAccess::kRemove) {
    resolved = store;
    return ERROR_SUCCESS;
  }
  const std::filesystem::path storeParent = std::filesystem::path(store).parent_path();
  const std::filesystem::path realParent = std::filesystem::path(Normalized(native)).parent_path();
  if (!IsDirectory(storeParent.string())) {
    if (!IsDirectory(realParent.string())) return ERROR_PATH_NOT_FOUND;
    std::error_code ec;
    std::filesystem::create_directories(storeParent, ec);
    if (ec) return Win32ErrorFromErrno(ec.value());
  }
  if (access == FileAccess::kModify && !Exists(store)) {
    struct stat st{};
    if (::stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      std::error_code ec;
      std::filesystem::copy_file(native, store, ec);
      if (ec) return Win32ErrorFromErrno(ec.value());
    }
  }
  resolved = store;
  return ERROR_SUCCESS;
}

std::vector<std::string> CVirtualStore::ListingDirectories(const std::string& nativeDirectory) const {
  std::string store;
  const std::string directory = Normalized(nativeDirectory);
  if (!programDirectory_.empty() && directory == programDirectory_) return {storeRoot_ + directory, nativeDirectory};
  if (StorePath(nativeDirectory, store)) return {store, nativeDirectory};
  return {nativeDirectory};
}

CVirtualStore ProgramVirtualStore() {
  const std::string& directory = ProtectedProgramDirectory();
  if (directory.empty()) return CVirtualStore(std::string(), std::string());
  return CVirtualStore(directory, MachinePath("VirtualStore"));
}

DWORD ResolveProgramFile(const std::string& native, FileAccess access, std::string& resolved) {
  return ProgramVirtualStore().Resolve(native, access, resolved);
}
