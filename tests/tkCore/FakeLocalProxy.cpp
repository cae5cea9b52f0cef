// Stands in for the local proxy in tests of the acceleration control: it
// appends its command line to "launches.txt" beside itself and then waits
// to be ended.
#include <unistd.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  std::string exe = argv[0];
  std::string dir = exe.substr(0, exe.find_last_of('/') + 1);
  if (FILE* f = std::fopen((dir + "launches.txt").c_str(), "a")) {
    for (int i = 1; i < argc; ++i) std::fprintf(f, "%s%s", i > 1 ? " " : "", argv[i]);
    std::fputc('\n', f);
    std::fclose(f);
  }
  for (;;) pause();
}
