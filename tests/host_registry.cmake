# The registry of the host Win32 subset: the same suite under Wine (win64 build). The
# child-process half of the environment-file tests only runs when those tests start it.
zeb_add_test(test_host_registry SOURCES test_host_registry.cpp FILTER -HostOnlyRegistryChild.*)
