#include "tests/packaging/support/InstalledPackage.h"

#include <grp.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace fs = std::filesystem;

std::string ShellOutput(const std::string& command) {
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    pclose(pipe);
  }
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

bool ShellSucceeds(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

namespace {

std::string PackageStatus() { return ShellOutput("dpkg-query -W -f='${db:Status-Status}' brisgol 2>/dev/null"); }

// Where the package's files and the machine's traces of it would be.
const char* const kOurPaths[] = {
    "/usr/lib/brisgol",
    "/var/lib/brisgol",
    "/run/brisgol",
    "/usr/bin/brisgol",
    "/usr/bin/brisgol-run",
    "/lib/systemd/system/brisgol-redirectd.socket",
    "/lib/systemd/system/brisgol-redirectd.service",
    "/etc/systemd/system/sockets.target.wants/brisgol-redirectd.socket",
    "/etc/systemd/system/brisgol-redirectd.socket",
    "/var/lib/systemd/deb-systemd-helper-enabled/brisgol-redirectd.socket.dsh-also",
    "/var/lib/systemd/deb-systemd-helper-enabled/sockets.target.wants/brisgol-redirectd.socket",
    "/var/lib/systemd/deb-systemd-helper-masked/brisgol-redirectd.socket",
    "/usr/share/applications/brisgol.desktop",
    "/usr/share/polkit-1/actions/org.brisgol.redirectd.policy",
    "/usr/share/icons/hicolor/16x16/apps/brisgol.png",
    "/usr/share/icons/hicolor/32x32/apps/brisgol.png",
    "/usr/share/icons/hicolor/48x48/apps/brisgol.png",
    "/usr/share/man/man1/brisgol.1.gz",
    "/usr/share/man/man1/brisgol-run.1.gz",
    "/usr/share/doc/brisgol",
};

bool GroupExists() { return getgrnam("brisgolrun") != nullptr; }

}  // namespace

InstalledPackage::InstalledPackage() : groupBefore_(GroupExists()) {}

InstalledPackage::~InstalledPackage() {
  std::string ignored;
  if (installed_) Purge(ignored);
}

bool InstalledPackage::Possible(std::string& why) {
  if (geteuid() != 0) {
    why = "installing a package needs root";
    return false;
  }
  for (const char* tool : {"dpkg", "dpkg-query", "cpack", "useradd", "userdel"}) {
    if (!ShellSucceeds(std::string("command -v ") + tool)) {
      why = std::string(tool) + " is missing";
      return false;
    }
  }
  if (!PackageStatus().empty() && PackageStatus() != "not-installed") {
    why = "brisgol is installed on this machine already (" + PackageStatus() + "); the test installs its own";
    return false;
  }
  if (fs::exists("/run/brisgol/redirect.pid") && !ShellSucceeds("flock -n /run/brisgol/redirect.pid true")) {
    why = "a redirection service runs on this machine already (" +
          ShellOutput("head -n 1 /run/brisgol/redirect.pid") + ")";
    return false;
  }
  for (const char* path : kOurPaths) {
    std::error_code error;
    if (std::string(path) != "/run/brisgol" && fs::symlink_status(path, error).type() != fs::file_type::not_found) {
      why = std::string("files of ours are on this machine already (") + path + ")";
      return false;
    }
  }
  return true;
}

std::string InstalledPackage::PackageFile(std::string& error) {
  static std::mutex lock;
  static std::string made, failure;
  std::lock_guard<std::mutex> hold(lock);
  if (made.empty() && failure.empty()) {
    std::string dir = (fs::temp_directory_path() / "brisgol-package-XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr) {
      failure = "mkdtemp failed";
    } else {
      const std::string build = std::getenv("BRISGOL_BUILD_DIR");
      const std::string log = dir + "/cpack.log";
      if (!ShellSucceeds("cd '" + build + "' && cpack -G DEB -B '" + dir + "' >'" + log + "' 2>&1")) {
        failure = "cpack failed: " + ShellOutput("tail -n 20 '" + log + "'");
      } else {
        for (const auto& entry : fs::directory_iterator(dir))
          if (entry.path().extension() == ".deb") made = entry.path().string();
        if (made.empty()) failure = "cpack made no package in " + dir;
      }
    }
  }
  error = failure;
  return made;
}

bool InstalledPackage::Install(std::string& why) {
  const std::string deb = PackageFile(why);
  if (deb.empty()) return false;
  const std::string output = ShellOutput("dpkg -i '" + deb + "' 2>&1");
  installed_ = true;
  if (PackageStatus() != "installed") {
    why = "dpkg could not install the package (missing dependencies?):\n" + output;
    std::string ignored;
    Purge(ignored);
    return false;
  }
  return true;
}

bool InstalledPackage::Remove(std::string& error) {
  error = ShellOutput("dpkg --remove brisgol 2>&1");
  return PackageStatus() == "config-files" || PackageStatus() == "not-installed";
}

bool InstalledPackage::Purge(std::string& error) {
  error = ShellOutput("dpkg --purge brisgol 2>&1");
  installed_ = false;
  const bool purged = PackageStatus().empty() || PackageStatus() == "not-installed";
  // The group a build's service had made before stays the machine's.
  if (groupBefore_ && !GroupExists()) ShellSucceeds("groupadd --system brisgolrun");
  return purged;
}

std::vector<std::string> InstalledPackage::Leftovers() const {
  std::vector<std::string> left;
  for (const char* path : kOurPaths) {
    std::error_code error;
    if (fs::symlink_status(path, error).type() != fs::file_type::not_found && !error) left.emplace_back(path);
  }
  if (!groupBefore_ && GroupExists()) left.emplace_back("group brisgolrun");
  return left;
}
