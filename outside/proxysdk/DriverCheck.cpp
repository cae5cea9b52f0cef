#include "outside/proxysdk/DriverCheck.h"

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/NativePath.h"

std::string DriverNativePath(const char* path) { return ToNativePath(Utf8ToWideString(path)); }

bool CheckDriverFile(const std::string& nativePath, DriverKind kind, int bits, DriverFileInfo& info,
                     std::string& error) {
  std::string bytes;
  if (!ReadWholeFile(nativePath, bytes, kMaxDriverFileBytes)) {
    error = "cannot read driver file " + nativePath;
    return false;
  }
  if (!ParseDriverFile(bytes, info)) {
    error = "damaged driver file " + nativePath;
    return false;
  }
  if (info.kind != kind || info.bits != bits) {
    error = "driver file " + nativePath + " is not the " + std::to_string(bits) + "-bit " +
            (kind == DriverKind::kProxy ? "proxy" : "process") + " driver";
    return false;
  }
  if (!info.loads) {
    error = "driver " + nativePath + " refused to load";
    return false;
  }
  return true;
}
