# The library's own modules: text helpers and formatting, buffer, wide string, logging.
zeb_add_test(test_text SOURCES test_text.cpp)
zeb_add_test(test_buffer SOURCES test_buffer.cpp)
zeb_add_test(test_wchar_string SOURCES test_wchar_string.cpp)
zeb_add_test(test_logging SOURCES test_logging.cpp FILTER -LongProgramPath.*)

# The long-path logging test runs a copy of test_logging from a folder whose full path has
# 128 characters or more, where the filter cannot compute the module name.
set(ZEB_LONG_FOLDER
    ${CMAKE_BINARY_DIR}/bin/long_path_xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx)
add_custom_command(TARGET test_logging POST_BUILD
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${ZEB_LONG_FOLDER}
                   COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:test_logging> ${ZEB_LONG_FOLDER}/)
set(ZEB_LONG_TEST ${ZEB_LONG_FOLDER}/$<TARGET_FILE_NAME:test_logging> --gtest_filter=LongProgramPath.*)
if(WIN32)
  add_test(NAME test_logging_long_path COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} ${ZEB_LONG_TEST})
else()
  zeb_host_test_command(command ${ZEB_LONG_TEST})
  add_test(NAME test_logging_long_path COMMAND ${command})
endif()
zeb_test_properties(test_logging_long_path)

# A benchmark of the cost of one record (host only; run by hand, not by CTest).
if(NOT WIN32)
  find_package(benchmark REQUIRED)
  add_executable(bench_logging bench_logging.cpp)
  target_link_libraries(bench_logging PRIVATE zeb GTest::gtest benchmark::benchmark)
  target_include_directories(bench_logging PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
endif()
