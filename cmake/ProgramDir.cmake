# The program directory: the front end and everything it expects beside it
# ("local.exe", "update.exe", proxysdk.dll, the "sys" and "sys2" folders).
set(BRISGOL_PROGRAM_DIR ${CMAKE_BINARY_DIR}/bin)
file(MAKE_DIRECTORY ${BRISGOL_PROGRAM_DIR})

# Places an executable or shared library of the project in the program
# directory; OUTPUT_NAME sets the file name the front end looks for.
function(brisgol_program_file target)
  cmake_parse_arguments(ARG "" "OUTPUT_NAME" "" ${ARGN})
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${BRISGOL_PROGRAM_DIR}
    LIBRARY_OUTPUT_DIRECTORY ${BRISGOL_PROGRAM_DIR}
    BUILD_RPATH "$ORIGIN"
    INSTALL_RPATH "$ORIGIN")
  if(ARG_OUTPUT_NAME)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${ARG_OUTPUT_NAME})
  endif()
endfunction()
