#include "tests/outside/support/TestUser.h"

#include "tests/outside/support/ShellCommand.h"

#include <pwd.h>
#include <unistd.h>

TestUser::TestUser() : name_("bgplayer" + std::to_string(getpid())) {}

TestUser::~TestUser() {
  if (!created_) return;
  ShellSucceeds("userdel " + name_);
  ShellSucceeds("groupdel " + name_ + " 2>/dev/null");
}

bool TestUser::Create(std::string& why) {
  if (!ShellSucceeds("useradd --system --user-group --no-create-home --home-dir /nonexistent --shell "
                     "/usr/sbin/nologin " + name_)) {
    why = "cannot create the user " + name_ + " (useradd)";
    return false;
  }
  created_ = true;
  const passwd* entry = getpwnam(name_.c_str());
  if (entry == nullptr) {
    why = "the user " + name_ + " is missing after useradd";
    return false;
  }
  uid_ = entry->pw_uid;
  gid_ = entry->pw_gid;
  return true;
}

std::string TestUser::Run(const std::string& command) const {
  return ShellOutput("setpriv --reuid=" + std::to_string(uid_) + " --regid=" + std::to_string(gid_) +
                     " --clear-groups sh -c '" + command + "' 2>&1");
}

std::vector<std::string> TestUser::As(const std::vector<std::string>& program) const {
  std::vector<std::string> words = {"setpriv", "--reuid=" + std::to_string(uid_), "--regid=" + std::to_string(gid_),
                                    "--clear-groups"};
  words.insert(words.end(), program.begin(), program.end());
  return words;
}
