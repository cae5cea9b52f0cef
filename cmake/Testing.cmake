include(GoogleTest)
find_package(GTest REQUIRED)

# brisgol_test(NAME LABEL label [TSAN] [LOCKS lock] [TIMEOUT s]
#              SOURCES ... LIBS ... [DEPENDS target...])
# One GoogleTest executable; every test case becomes a CTest test carrying
# the area label. TSAN marks tests that exercise threads: only those are
# built in the ThreadSanitizer build (BRISGOL_SANITIZE=thread). LOCKS names machine-wide things the tests use
# that no two tests may use at once: "local_exe" for tests that start or end
# processes named "local.exe" (ending goes by name, machine-wide). DEPENDS
# names programs the tests run, built before them. ENV sets one variable
# (NAME=value) for every test of the executable.
# The test main (tests/support/TestMain.cpp) gives every test process the
# variables BRISGOL_BUILD_DIR, BRISGOL_PROGRAM_DIR, BRISGOL_SOURCE_DIR, and a
# machine root under the build directory unless BRISGOL_ROOT is set.
function(brisgol_test name)
  cmake_parse_arguments(ARG "TSAN" "LABEL;TIMEOUT;ENV" "SOURCES;LIBS;LOCKS;DEPENDS" ${ARGN})
  if(NOT ARG_LABEL)
    message(FATAL_ERROR "brisgol_test(${name}) needs a LABEL")
  endif()
  if(BRISGOL_FUZZ OR (BRISGOL_SANITIZE STREQUAL "thread" AND NOT ARG_TSAN))
    return()
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} bg_test_support GTest::gtest)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(ARG_DEPENDS)
    add_dependencies(${name} ${ARG_DEPENDS})
  endif()
  set(lock_property)
  if(ARG_LOCKS)
    list(LENGTH ARG_LOCKS lock_count)
    if(lock_count GREATER 1)
      message(FATAL_ERROR "brisgol_test(${name}): one lock at most")
    endif()
    set(lock_property RESOURCE_LOCK ${ARG_LOCKS})
  endif()
  set(env_property)
  if(ARG_ENV)
    set(env_property ENVIRONMENT ${ARG_ENV})
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES
      LABELS ${ARG_LABEL}
      TIMEOUT ${ARG_TIMEOUT}
      ${lock_property}
      ${env_property})
endfunction()

# brisgol_fuzzer(NAME SOURCES ... LIBS ...)
# A libFuzzer target, built only with -DBRISGOL_FUZZ=ON (clang). Inputs
# kept under tests/inputs/<NAME>/ seed its corpus and are replayed by the
# ordinary test run (see brisgol_fuzz_replay in tests/support).
function(brisgol_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(BRISGOL_FUZZ)
    add_executable(${name} ${ARG_SOURCES})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  elseif(NOT BRISGOL_SANITIZE STREQUAL "thread")
    # Ordinary builds replay the kept inputs through the same entry point.
    add_executable(${name}_replay ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/FuzzReplayMain.cpp)
    target_link_libraries(${name}_replay PRIVATE ${ARG_LIBS})
    set_target_properties(${name}_replay PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME ${name}_replay COMMAND ${name}_replay ${PROJECT_SOURCE_DIR}/tests/inputs/${name})
    set_tests_properties(${name}_replay PROPERTIES LABELS fuzz)
  endif()
endfunction()
