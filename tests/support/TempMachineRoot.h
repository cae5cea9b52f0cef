// Test support: a temporary machine root and program directory for one
// test, removed again at its end.
#pragma once

#include <filesystem>
#include <string>

class TempMachineRoot {
 public:
  // Creates a fresh directory and points BRISGOL_ROOT at it.
  TempMachineRoot();
  ~TempMachineRoot();
  TempMachineRoot(const TempMachineRoot&) = delete;
  TempMachineRoot& operator=(const TempMachineRoot&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // A directory inside the temporary root, created on demand.
  std::filesystem::path Dir(const std::string& relative) const;

 private:
  std::filesystem::path path_;
  std::string previous_;
  bool hadPrevious_ = false;
};

// Writes bytes to a file, creating its directories.
void WriteTestFile(const std::filesystem::path& path, const std::string& bytes);
// Reads a whole file ("" when missing).
std::string ReadTestFile(const std::filesystem::path& path);
