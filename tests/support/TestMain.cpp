// The main of every test program: the build's folders as environment
// variables, a machine root that is never the user's, then the tests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  setenv("BRISGOL_BUILD_DIR", BRISGOL_BUILD_DIR_PATH, 0);
  setenv("BRISGOL_PROGRAM_DIR", BRISGOL_PROGRAM_DIR_PATH, 0);
  setenv("BRISGOL_SOURCE_DIR", BRISGOL_SOURCE_DIR_PATH, 0);
  std::string root = std::string(BRISGOL_BUILD_DIR_PATH) + "/test-machine-root";
  setenv("BRISGOL_ROOT", root.c_str(), 0);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
