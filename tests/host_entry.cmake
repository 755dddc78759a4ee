# The host program's entry: how it forms the Windows command line (host only).
if(NOT WIN32)
  zeb_add_test(test_host_command_line SOURCES test_host_command_line.cpp)
endif()
