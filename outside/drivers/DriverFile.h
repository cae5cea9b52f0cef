// Our driver file format. The redirection library accepts a driver only
// when its file has this form; everything else is refused as damaged.
//
// A driver file is short ASCII text, lines ending in "\n":
//
//   BRISGOL-DRIVER 1
//   name=proxy64_win8.sys
//   kind=proxy
//   arch=64
//   load=ok
//   redirect=service
//
// - The first line is the magic line, exactly as above.
// - Then exactly the four keys name, kind, arch and load, each once, and
//   optionally redirect, in any order, as key=value with nothing around
//   the "=".
// - name: the file name the build gave it (informative only).
// - kind: "proxy" (the traffic driver) or "process" (the process driver).
// - arch: "32" or "64".
// - load: "ok" loads; "fails" is a well-formed driver that refuses to load
//   (how tests make a given driver fail to install).
// - redirect: "service" when the driver really redirects traffic, through
//   the privileged redirection service "brisgol-redirectd" beside the
//   library; "record" (the default when absent) when it only keeps the
//   rules (what tests of the bookkeeping install).
// Files larger than kMaxDriverFileBytes are refused.
#pragma once

#include <cstddef>
#include <string>

enum class DriverKind { kProxy, kProcess };

struct DriverFileInfo {
  std::string name;
  DriverKind kind = DriverKind::kProxy;
  int bits = 64;            // 32 or 64
  bool loads = true;        // false: "load=fails"
  bool service = false;     // "redirect=service"
};

inline constexpr char kDriverFileMagic[] = "BRISGOL-DRIVER 1";
inline constexpr std::size_t kMaxDriverFileBytes = 4096;

std::string FormatDriverFile(const DriverFileInfo& info);

// True and info filled when bytes are a well-formed driver file.
bool ParseDriverFile(const std::string& bytes, DriverFileInfo& info);
