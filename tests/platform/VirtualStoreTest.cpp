#include "platform/VirtualStore.h"

#include "platform/LastError.h"
#include "tests/support/TempMachineRoot.h"

#include <gtest/gtest.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The store's rules, on directories of a test's own.
class VirtualStoreRules : public ::testing::Test {
 protected:
  TempMachineRoot root;
  fs::path program = root.Dir("usr/lib/prog");
  fs::path store = root.Dir("home/VirtualStore");
  CVirtualStore virtualStore{program.string(), store.string()};

  std::string Resolve(const fs::path& path, FileAccess access, DWORD expected = ERROR_SUCCESS) {
    std::string resolved;
    EXPECT_EQ(virtualStore.Resolve(path.string(), access, resolved), expected) << path;
    return resolved;
  }
  fs::path StoreCopy(const std::string& name) { return store.string() + (program / name).string(); }
};

TEST_F(VirtualStoreRules, OnlyPathsBelowTheProgramDirectoryMove) {
  const fs::path sibling = root.path() / "usr/lib/prog2/log2.log";
  EXPECT_EQ(Resolve(sibling, FileAccess::kCreate), sibling.string());
  EXPECT_EQ(Resolve(program, FileAccess::kCreate), program.string());
  EXPECT_EQ(Resolve(program / "log2.log", FileAccess::kCreate), StoreCopy("log2.log").string());
  // g_programDir + "\\local.cfg" doubles the separator; ".." cannot leave
  // the program directory unnoticed.
  EXPECT_EQ(Resolve(program.string() + "//local.cfg", FileAccess::kCreate), StoreCopy("local.cfg").string());
  EXPECT_EQ(Resolve(program / "sys/../../escape", FileAccess::kCreate), (program / "sys/../../escape").string());
  CVirtualStore nothing{"", store.string()};
  std::string resolved;
  EXPECT_EQ(nothing.Resolve((program / "log2.log").string(), FileAccess::kCreate, resolved), ERROR_SUCCESS);
  EXPECT_EQ(resolved, (program / "log2.log").string());
}

TEST_F(VirtualStoreRules, ReadsPreferTheUsersCopy) {
  WriteTestFile(program / "config.txt", "installed");
  EXPECT_EQ(Resolve(program / "config.txt", FileAccess::kRead), (program / "config.txt").string());
  EXPECT_EQ(Resolve(program / "missing.txt", FileAccess::kRead), (program / "missing.txt").string());
  WriteTestFile(StoreCopy("config.txt"), "mine");
  EXPECT_EQ(Resolve(program / "config.txt", FileAccess::kRead), StoreCopy("config.txt").string());
}

TEST_F(VirtualStoreRules, ChangingAnInstalledFileCopiesItFirst) {
  WriteTestFile(program / "local.cfg", "[config]\ntdx_check=0\n");
  EXPECT_EQ(Resolve(program / "local.cfg", FileAccess::kModify), StoreCopy("local.cfg").string());
  EXPECT_EQ(ReadTestFile(StoreCopy("local.cfg")), "[config]\ntdx_check=0\n");
  WriteTestFile(StoreCopy("local.cfg"), "changed");
  Resolve(program / "local.cfg", FileAccess::kModify);
  EXPECT_EQ(ReadTestFile(StoreCopy("local.cfg")), "changed");  // the user's copy is never replaced
  WriteTestFile(program / "fresh.cfg", "x");
  Resolve(program / "fresh.cfg", FileAccess::kCreate);
  EXPECT_FALSE(fs::exists(StoreCopy("fresh.cfg")));  // replaced whole: nothing to copy
}

TEST_F(VirtualStoreRules, DirectoriesFollowTheMergedView) {
  fs::create_directories(program / "sys2");
  EXPECT_EQ(Resolve(program / "sys2/notes.txt", FileAccess::kCreate), StoreCopy("sys2/notes.txt").string());
  EXPECT_TRUE(fs::is_directory(StoreCopy("sys2")));
  Resolve(program / "none/file.txt", FileAccess::kCreate, ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(fs::exists(StoreCopy("none")));
  fs::create_directories(StoreCopy("update"));
  EXPECT_EQ(Resolve(program / "update/update.log", FileAccess::kCreate), StoreCopy("update/update.log").string());
  Resolve(program / "gone.txt", FileAccess::kRemove);
  EXPECT_FALSE(fs::exists(StoreCopy("gone.txt")));
  const auto listing = virtualStore.ListingDirectories((program / "sys2").string());
  EXPECT_EQ(listing, (std::vector<std::string>{StoreCopy("sys2").string(), (program / "sys2").string()}));
  EXPECT_EQ(virtualStore.ListingDirectories(program.string()).front(), store.string() + program.string());
  EXPECT_EQ(virtualStore.ListingDirectories(root.path().string()).size(), 1u);
}

TEST_F(VirtualStoreRules, ProgramsAndLibrariesAreNeverVirtualised) {
  for (const char* name : {"local.exe", "Localold/LOCAL.EXE", "proxysdk.dll", "sys2/proxy64.sys", "brisgol-http.so",
                           "libx.so.1.2"}) {
    EXPECT_EQ(Resolve(program / name, FileAccess::kRead), (program / name).string()) << name;
    Resolve(program / name, FileAccess::kCreate, ERROR_ACCESS_DENIED);
    Resolve(program / name, FileAccess::kModify, ERROR_ACCESS_DENIED);
    Resolve(program / name, FileAccess::kRemove, ERROR_ACCESS_DENIED);
  }
  WriteTestFile(program / "brisgol", "ELF");
  fs::permissions(program / "brisgol", fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  WriteTestFile(StoreCopy("brisgol"), "a user's program");
  EXPECT_EQ(Resolve(program / "brisgol", FileAccess::kRead), (program / "brisgol").string());
  Resolve(program / "brisgol", FileAccess::kCreate, ERROR_ACCESS_DENIED);
  // Names that only look alike are data.
  for (const char* name : {"notes.so.txt", "a.sox", "x.exe.txt"})
    EXPECT_EQ(Resolve(program / name, FileAccess::kCreate), StoreCopy(name).string()) << name;
}

// The probe program (VirtualStoreProbe.cpp) in a program directory that
// the player cannot write, run as the player: an ordinary user ("nobody"
// when the test runs as root, the test's own user otherwise, with the
// directory made read-only).
class InstalledProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string base = (fs::temp_directory_path() / "brisgol-vstore-XXXXXX").string();
    ASSERT_NE(mkdtemp(base.data()), nullptr);
    base_ = base;
    fs::permissions(base_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
    uid_ = getuid();
    gid_ = getgid();
    if (geteuid() == 0) {
      const passwd* nobody = getpwnam("nobody");
      ASSERT_NE(nobody, nullptr) << "no user nobody to run the program as";
      uid_ = nobody->pw_uid;
      gid_ = nobody->pw_gid;
    }
    program_ = base_ / "program";
    home_ = base_ / "home";
    fs::create_directories(program_);
    fs::create_directories(home_);
    ASSERT_EQ(chown(home_.c_str(), uid_, gid_), 0);
    const fs::path probe = fs::path(std::getenv("BRISGOL_BUILD_DIR")) / "tests" / "virtual_store_probe";
    fs::copy_file(probe, program_ / "probe");
    WriteTestFile(program_ / "update.exe", "update program");
    fs::permissions(program_ / "update.exe", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                                 fs::perms::others_read | fs::perms::others_exec);
  }

  void TearDown() override {
    std::error_code ec;
    fs::permissions(program_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(base_, ec);
  }

  // Installation done: the directory is the administrator's from now on.
  void Protect() {
    if (geteuid() != 0)
      fs::permissions(program_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  }

  std::string Run(std::initializer_list<std::string> arguments) {
    int out[2];
    if (pipe(out) != 0) return "pipe failed";
    const std::string machineRoot = (home_ / "machine").string();
    const std::string probe = (program_ / "probe").string();
    pid_t child = fork();
    if (child == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
      if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(gid_) != 0 || setuid(uid_) != 0)) _exit(120);
      setenv("BRISGOL_ROOT", machineRoot.c_str(), 1);
      std::vector<std::string> words{probe};
      words.insert(words.end(), arguments);
      std::vector<char*> argv;
      for (auto& word : words) argv.push_back(word.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(121);
    }
    close(out[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) output.append(buffer, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "probe status " << status;
    while (!output.empty() && output.back() == '\n') output.pop_back();
    return output;
  }

  fs::path StoreCopy(const std::string& name) const {
    return (home_ / "machine" / "VirtualStore").string() + (program_ / name).string();
  }

  fs::path base_, program_, home_;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
};

const std::string kDenied = "error " + std::to_string(ERROR_ACCESS_DENIED);

TEST_F(InstalledProgram, ItsOwnFilesGoToThePlayersStore) {
  Protect();
  EXPECT_EQ(Run({"append", "log2.log", "first "}), "ok");
  EXPECT_EQ(Run({"append", "log2.log", "second"}), "ok");
  EXPECT_EQ(Run({"read", "log2.log"}), "first second");
  EXPECT_FALSE(fs::exists(program_ / "log2.log"));
  EXPECT_EQ(ReadTestFile(StoreCopy("log2.log")), "first second");
  // A missing local.cfg gets its port index, as the acceleration start writes it.
  EXPECT_EQ(Run({"get", "local.cfg", "config", "proxy_port_index"}), "-");
  EXPECT_EQ(Run({"set", "local.cfg", "config", "proxy_port_index", "1"}), "ok");
  EXPECT_EQ(Run({"get", "local.cfg", "config", "proxy_port_index"}), "1");
  EXPECT_FALSE(fs::exists(program_ / "local.cfg"));
}

TEST_F(InstalledProgram, InstalledSettingsStayAndOnlyThePlayersCopyChanges) {
  WriteTestFile(program_ / "local.cfg", "[config]\r\ntdx_check=0\r\n");
  WriteTestFile(program_ / "config.txt", "installed");
  Protect();
  EXPECT_EQ(Run({"set", "local.cfg", "config", "proxy_port_index", "2"}), "ok");
  EXPECT_EQ(Run({"get", "local.cfg", "config", "tdx_check"}), "0");
  EXPECT_EQ(Run({"get", "local.cfg", "config", "proxy_port_index"}), "2");
  EXPECT_EQ(ReadTestFile(program_ / "local.cfg"), "[config]\r\ntdx_check=0\r\n");

  EXPECT_EQ(Run({"write", "config.txt", "downloaded"}), "ok");
  EXPECT_EQ(Run({"read", "config.txt"}), "downloaded");
  EXPECT_EQ(Run({"delete", "config.txt"}), "ok");
  EXPECT_EQ(Run({"read", "config.txt"}), "installed");
  EXPECT_EQ(Run({"delete", "config.txt"}), kDenied);
  EXPECT_EQ(ReadTestFile(program_ / "config.txt"), "installed");
}

TEST_F(InstalledProgram, ListingsAndFoldersMergeBothPlaces) {
  WriteTestFile(program_ / "a1.txt", "installed");
  WriteTestFile(program_ / "a2.txt", "installed");
  Protect();
  EXPECT_EQ(Run({"write", "a2.txt", "mine"}), "ok");
  EXPECT_EQ(Run({"write", "a3.txt", "mine"}), "ok");
  std::istringstream names(Run({"list", "a*.txt"}));
  std::vector<std::string> listed;
  for (std::string name; std::getline(names, name);) listed.push_back(name);
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, (std::vector<std::string>{"a1.txt", "a2.txt", "a3.txt"}));
  EXPECT_EQ(Run({"mkdir", "update"}), "ok");
  EXPECT_EQ(Run({"mkdir", "update"}), "error " + std::to_string(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(Run({"write", "update\\update.log", "x"}), "ok");
  EXPECT_EQ(Run({"write", "nowhere\\file.txt", "x"}), "error " + std::to_string(ERROR_PATH_NOT_FOUND));
}

TEST_F(InstalledProgram, NoPlayerCopyStandsInForAProgram) {
  Protect();
  EXPECT_EQ(Run({"mkdir", "update"}), "ok");
  EXPECT_EQ(Run({"copy", "update.exe", "update\\update.exe"}), kDenied);
  EXPECT_EQ(Run({"write", "local.exe", "x"}), kDenied);
  EXPECT_EQ(Run({"write", "brisgol-http.so", "x"}), kDenied);
  EXPECT_EQ(Run({"write", "probe", "x"}), kDenied);
  EXPECT_EQ(Run({"read", "update.exe"}), "update program");
}

TEST_F(InstalledProgram, AWritableProgramDirectoryIsUsedAsItIs) {
  ASSERT_EQ(chown(program_.c_str(), uid_, gid_), 0);  // a build tree of the player's
  EXPECT_EQ(Run({"append", "log2.log", "here"}), "ok");
  EXPECT_EQ(ReadTestFile(program_ / "log2.log"), "here");
  EXPECT_FALSE(fs::exists(home_ / "machine" / "VirtualStore"));
}

}  // namespace
