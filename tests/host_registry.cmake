# The registry of the host Win32 subset: the same suite under Wine (win64 build). The
# child-process half of the environment-file tests only runs when those tests start it.
zeb_add_test(test_host_registry SOURCES test_host_registry.cpp FILTER -HostOnlyRegistryChild.*)
# The view rules once more as the shipping program meets them: a 32-bit process on 64-bit
# Windows (the win32 build runs them under WoW64 too).
if(NOT WIN32)
  zeb_register_test(test_host_registry_32bit_process test_host_registry
                    FILTER Registry32BitViewTest.*
                    ENV "ZEB_HOST_PROCESS_BITS=32" "ZEB_HOST_SYSTEM_BITS=64")
endif()
