// Build-time tool: writes the seven driver files of the program directory's
// "sys" and "sys2" folders in our driver file format; the proxy drivers
// name the redirection service.
//
//   make_driver_files <program directory>

#include "outside/drivers/DriverFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

struct DriverName {
  const char* file;
  DriverKind kind;
  int bits;
};

constexpr DriverName kDrivers[] = {
    {"proxy32.sys", DriverKind::kProxy, 32},        {"proxy64.sys", DriverKind::kProxy, 64},
    {"process32.sys", DriverKind::kProcess, 32},    {"process64.sys", DriverKind::kProcess, 64},
    {"process64_new.sys", DriverKind::kProcess, 64}, {"proxy64_win8.sys", DriverKind::kProxy, 64},
    {"proxy64_old.sys", DriverKind::kProxy, 64},
};

bool WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <program directory>\n", argv[0]);
    return 2;
  }
  for (const char* folder : {"sys", "sys2"}) {
    const std::filesystem::path dir = std::filesystem::path(argv[1]) / folder;
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    for (const DriverName& driver : kDrivers) {
      // The shipped proxy drivers redirect for real, through the service.
      const DriverFileInfo info{driver.file, driver.kind, driver.bits, true, driver.kind == DriverKind::kProxy};
      if (!WriteFile(dir / driver.file, FormatDriverFile(info))) {
        std::fprintf(stderr, "cannot write %s\n", (dir / driver.file).c_str());
        return 1;
      }
    }
  }
  return 0;
}
