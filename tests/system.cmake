# The system environment: environment variables, and the Windows version and platform.

zeb_add_test(test_environment_variable SOURCES test_environment_variable.cpp)
# The parent's environment reaches the program, an empty value included.
set_property(TEST test_environment_variable APPEND PROPERTY ENVIRONMENT
             "ZEBTEST_PARENT_VALUE=from the parent" "ZEBTEST_PARENT_EMPTY=")

zeb_add_test(test_windows_os_info SOURCES test_windows_os_info.cpp)

# The version predicates run once per Windows version. ZEB_TEST_WINDOWS_VERSION tells the
# test which version the run must see.
set(ZEB_OS_VERSION_FILTER "WindowsVersion.*")
if(NOT WIN32)
  foreach(version 5.0 5.1 5.2 6.0 6.1 6.2 10.0)
    zeb_register_test(test_windows_os_info_${version} test_windows_os_info
                      FILTER ${ZEB_OS_VERSION_FILTER}
                      ENV "ZEB_HOST_WINDOWS_VERSION=${version}" "ZEB_TEST_WINDOWS_VERSION=${version}")
  endforeach()
  zeb_register_test(test_windows_os_info_version_fails test_windows_os_info
                    FILTER ${ZEB_OS_VERSION_FILTER}
                    ENV "ZEB_HOST_GETVERSION_FAILS=1" "ZEB_TEST_WINDOWS_VERSION=fails")
  # The platform: a 32-bit process on a 64-bit system is on a 64-bit platform; a 32-bit
  # system is not.
  zeb_register_test(test_windows_os_info_32bit_process test_windows_os_info
                    FILTER "WindowsOSInfo.PlatformIsTheNativeProcessors"
                    ENV "ZEB_HOST_PROCESS_BITS=32" "ZEB_HOST_SYSTEM_BITS=64" "ZEB_TEST_PLATFORM=2")
  zeb_register_test(test_windows_os_info_32bit_system test_windows_os_info
                    FILTER "WindowsOSInfo.PlatformIsTheNativeProcessors"
                    ENV "ZEB_HOST_SYSTEM_BITS=32" "ZEB_TEST_PLATFORM=1")
else()
  # Under Wine the prefix's Windows version is set before a run and put back after it:
  # winecfg sets the versions it offers in a 64-bit prefix, the registry value "Version"
  # the two it refuses there (2000 and XP). "winecfg -v win7", the prefix's default, also
  # removes that value. Each version's setup waits for the previous version's cleanup, so
  # the runs never overlap.
  set(ZEB_OS_VERSIONS win2k=5.0 winxp=5.1 winxp64=5.2 vista=6.0 win7=6.1 win8=6.2)
  set(previous_cleanup "")
  foreach(entry ${ZEB_OS_VERSIONS})
    string(REPLACE "=" ";" pair ${entry})
    list(GET pair 0 name)
    list(GET pair 1 version)
    set(wine "env ${ZEB_WINE_ENV_TEXT} '${ZEB_WINE64}'")
    if(name STREQUAL "win2k" OR name STREQUAL "winxp")
      set(set_version "${wine} reg add 'HKCU\\Software\\Wine' /v Version /d ${name} /f")
    else()
      set(set_version "${wine} winecfg -v ${name}")
    endif()
    add_test(NAME os_version_${name}_setup COMMAND sh -c "${set_version} </dev/null >/dev/null")
    add_test(NAME os_version_${name}_cleanup
             COMMAND sh -c "${wine} winecfg -v win7 </dev/null >/dev/null")
    zeb_register_test(test_windows_os_info_${name} test_windows_os_info
                      FILTER ${ZEB_OS_VERSION_FILTER} ENV "ZEB_TEST_WINDOWS_VERSION=${version}")
    zeb_test_properties(os_version_${name}_setup)
    zeb_test_properties(os_version_${name}_cleanup)
    set_tests_properties(os_version_${name}_setup PROPERTIES FIXTURES_SETUP os_version_${name})
    set_tests_properties(os_version_${name}_cleanup PROPERTIES FIXTURES_CLEANUP os_version_${name})
    set_property(TEST test_windows_os_info_${name} APPEND PROPERTY FIXTURES_REQUIRED
                 os_version_${name})
    if(previous_cleanup)
      set_tests_properties(os_version_${name}_setup PROPERTIES DEPENDS ${previous_cleanup})
    endif()
    set(previous_cleanup os_version_${name}_cleanup)
  endforeach()
endif()
