#include "ZipToolFixture.h"

#include "tests/support/TempMachineRoot.h"

#include <cstdlib>

std::string BuildZipWithTool(const std::filesystem::path& dir, const std::map<std::string, std::string>& files,
                             const std::string& password) {
  const std::filesystem::path content = dir / "content";
  for (const auto& [name, bytes] : files) WriteTestFile(content / name, bytes);
  const std::filesystem::path zip = dir / "skin.zip";
  std::filesystem::remove(zip);
  std::string command = "cd '" + content.string() + "' && zip -q -r -X";
  if (!password.empty()) command += " -P '" + password + "'";
  command += " '" + zip.string() + "' .";
  if (std::system(command.c_str()) != 0) return "";
  return ReadTestFile(zip);
}
