# Whole runs of the built program on a demo installation of the suite (tests/scenarios/):
# one CTest test per scenario that names this build in its "builds" line, run by
# tests/scenarios/run_scenario.sh. The hold_file helper holds a file open without sharing
# while the program runs.

set(ZEB_SCENARIO_DIR ${CMAKE_CURRENT_SOURCE_DIR}/scenarios)

if(WIN32)
  add_executable(hold_file WIN32 ${ZEB_SCENARIO_DIR}/hold_file.cpp)
  target_link_options(hold_file PRIVATE -municode)
  target_link_libraries(hold_file PRIVATE zeb_platform)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    set(ZEB_SCENARIO_BUILD win32)
  else()
    set(ZEB_SCENARIO_BUILD win64)
  endif()
else()
  add_executable(hold_file ${ZEB_SCENARIO_DIR}/hold_file.cpp)
  target_link_libraries(hold_file PRIVATE zeb_host_main)
  set(ZEB_SCENARIO_BUILD host)
endif()

file(GLOB ZEB_SCENARIO_CONFS CONFIGURE_DEPENDS ${ZEB_SCENARIO_DIR}/*/scenario.conf)
foreach(conf ${ZEB_SCENARIO_CONFS})
  get_filename_component(dir ${conf} DIRECTORY)
  get_filename_component(name ${dir} NAME)
  # The builds a scenario runs on; all three unless it says otherwise.
  set(builds "host win64 win32")
  file(STRINGS ${conf} builds_line REGEX "^builds=")
  if(builds_line)
    string(REGEX REPLACE "^builds=" "" builds "${builds_line}")
  endif()
  separate_arguments(builds UNIX_COMMAND "${builds}")
  if(NOT ZEB_SCENARIO_BUILD IN_LIST builds)
    continue()
  endif()
  add_test(NAME scenario_${name}
           COMMAND ${ZEB_SCENARIO_DIR}/run_scenario.sh ${ZEB_SCENARIO_BUILD} ${CMAKE_BINARY_DIR}
                   ${dir} $<TARGET_FILE:patch8108> $<TARGET_FILE:hold_file>)
  zeb_test_properties(scenario_${name})
endforeach()
