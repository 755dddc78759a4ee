# Directories, the system storage path and INI files, with the private-profile functions
# themselves. The same suites run under Wine; host runs get a prefix of their own, so that
# their C: drive (C:\ProgramData, C:\windows) is theirs alone.
foreach(test test_directory test_systeminfo test_ini)
  zeb_add_test(${test} SOURCES ${test}.cpp)
  if(NOT WIN32)
    set_tests_properties(${test} PROPERTIES ENVIRONMENT
                         "ZEB_HOST_PREFIX=${CMAKE_CURRENT_BINARY_DIR}/${test}_prefix")
  endif()
endforeach()
