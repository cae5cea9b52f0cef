// What any program of a user can ask the installed redirection library
// (the package's proxysdk.dll, loaded at run time as the front end loads
// it), for the installed package's end-to-end test:
//
//   sdk_probe LIBRARY install        the drivers (InitDriverFirst, InitDriver
//                                    with the installed 64-bit driver files)
//   sdk_probe LIBRARY clear          DeleteRuleAll
//   sdk_probe LIBRARY redirect PORT  install, then AddRule to 127.0.0.1:PORT
//                                    and AddPid of this process
//
// Prints the results ("install=1 rule=0 ..."); exit status 0 when every
// call succeeded, 1 otherwise, 2 when the library cannot be used.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

using InitFirst = int (*)();
using Init = int (*)(const char*, const char*, const char*, const char*);
using DeleteAll = int (*)();
using Add = int (*)(const char*, const char*, const char*, const char*, const char*);
using AddProcess = int (*)(unsigned long);

template <typename F>
F Symbol(void* library, const char* name) {
  return reinterpret_cast<F>(dlsym(library, name));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: sdk_probe LIBRARY install|clear|redirect PORT\n");
    return 2;
  }
  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    std::fprintf(stderr, "sdk_probe: %s\n", dlerror());
    return 2;
  }
  const std::string dir = std::string(argv[1]).substr(0, std::string(argv[1]).rfind('/'));
  const std::string proxy = dir + "/sys2/proxy64.sys", process = dir + "/sys2/process64.sys";
  const std::string command = argv[2];
  bool ok = true;
  if (command == "install" || command == "redirect") {
    Symbol<InitFirst>(library, "InitDriverFirst")();
    const int installed = Symbol<Init>(library, "InitDriver")(nullptr, proxy.c_str(), nullptr, process.c_str());
    std::printf("install=%d\n", installed);
    ok = installed != 0;
  }
  if (command == "clear") {
    const int cleared = Symbol<DeleteAll>(library, "DeleteRuleAll")();
    std::printf("clear=%d\n", cleared);
    ok = cleared != 0;
  }
  if (command == "redirect" && argc == 4) {
    const int rule = Symbol<Add>(library, "AddRule")("", "127.0.0.1", argv[3], "", "");
    const int pid = Symbol<AddProcess>(library, "AddPid")(static_cast<unsigned long>(getpid()));
    std::printf("rule=%d pid=%d\n", rule, pid);
    ok = ok && rule != 0 && pid != 0;
  }
  return ok ? 0 : 1;
}
