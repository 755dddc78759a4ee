# Registry keys and typed values, and method tracing. The same suites run under Wine (win64
# build) against Wine's own registry.
zeb_add_test(test_registry_key SOURCES test_registry_key.cpp)
zeb_add_test(test_registry_values SOURCES test_registry_values.cpp FILTER -RegistryRoundTrip.*)
# Dynamic logging is read once per process: each trace test starts with it unread.
zeb_add_test(test_method_trace SOURCES test_method_trace.cpp)

# The registry benchmark (host only; run by hand, not by CTest).
if(NOT WIN32)
  add_executable(bench_registry bench_registry.cpp)
  target_link_libraries(bench_registry PRIVATE zeb GTest::gtest benchmark::benchmark)
  target_include_directories(bench_registry PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
endif()

# One registry, two implementations: the host's .reg file imported by Wine's regedit and
# Wine's export loaded by the host registry (host build).
if(NOT WIN32)
  add_test(NAME registry_roundtrip
           COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/registry_roundtrip.sh
                   $<TARGET_FILE:test_registry_values>)
  zeb_test_properties(registry_roundtrip)
  set_tests_properties(registry_roundtrip PROPERTIES
                       ENVIRONMENT "ZEB_WINE64=${ZEB_WINE64};ZEB_WINESERVER=${ZEB_WINESERVER}")
endif()
