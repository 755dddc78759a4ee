# libFuzzer targets of the string operations (host build with clang only: the host-fuzz
# preset, run by scripts/fuzz.sh). Off in every other build.
option(ZEB_FUZZ "Build the libFuzzer targets of the string operations (host, clang)" OFF)
if(ZEB_FUZZ)
  add_subdirectory(${CMAKE_CURRENT_SOURCE_DIR}/fuzz ${CMAKE_BINARY_DIR}/fuzz)
endif()
