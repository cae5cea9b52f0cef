#include "tests/support/TempMachineRoot.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

TempMachineRoot::TempMachineRoot() {
  std::string templ = (std::filesystem::temp_directory_path() / "brisgol-test-XXXXXX").string();
  if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
  path_ = templ;
  if (const char* old = std::getenv("BRISGOL_ROOT")) {
    previous_ = old;
    hadPrevious_ = true;
  }
  setenv("BRISGOL_ROOT", path_.c_str(), 1);
}

TempMachineRoot::~TempMachineRoot() {
  if (hadPrevious_)
    setenv("BRISGOL_ROOT", previous_.c_str(), 1);
  else
    unsetenv("BRISGOL_ROOT");
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TempMachineRoot::Dir(const std::string& relative) const {
  auto dir = path_ / relative;
  std::filesystem::create_directories(dir);
  return dir;
}

void WriteTestFile(const std::filesystem::path& path, const std::string& bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadTestFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
