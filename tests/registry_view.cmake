# The registry view of the process: the 32-bit build under WoW64 reads the 32-bit view of
# HKLM\Software; the host runs the same test as a 64-bit and as a 32-bit process.
zeb_add_test(test_registry_view SOURCES test_registry_view.cpp)
if(NOT WIN32)
  zeb_register_test(test_registry_view_32bit_process test_registry_view
                    ENV "ZEB_HOST_PROCESS_BITS=32" "ZEB_HOST_SYSTEM_BITS=64")
endif()
