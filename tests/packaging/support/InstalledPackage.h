// Test support: the Debian package made from the test's own build
// directory (cpack on it, no second build), installed with dpkg as an
// administrator installs it and purged again. The machine is left as it
// was: a machine that holds any file of ours already is not touched.
#pragma once

#include <string>
#include <vector>

class InstalledPackage {
 public:
  InstalledPackage();
  ~InstalledPackage();
  InstalledPackage(const InstalledPackage&) = delete;
  InstalledPackage& operator=(const InstalledPackage&) = delete;

  // Whether the test can run here at all (root, the tools, no brisgol
  // installed, no redirection service running); why not otherwise.
  static bool Possible(std::string& why);
  // Makes the package file (once per test program) into a directory of
  // its own; its path, or "" with error set.
  static std::string PackageFile(std::string& error);

  // dpkg -i; false with why when the package could not be installed and
  // configured (it is purged again then).
  bool Install(std::string& why);
  // dpkg --remove / --purge; false with dpkg's words in error.
  bool Remove(std::string& error);
  bool Purge(std::string& error);

  // Every file, unit link and group of ours on the machine now that was
  // not there before this object was made. The runtime folder /run/brisgol
  // and the launcher's group may have been left by a build's service.
  std::vector<std::string> Leftovers() const;

 private:
  bool installed_ = false;
  bool groupBefore_ = false;
};

// The output of a shell command, without its trailing line break.
std::string ShellOutput(const std::string& command);
bool ShellSucceeds(const std::string& command);
