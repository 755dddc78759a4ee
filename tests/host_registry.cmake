# The registry of the host Win32 subset: the same suite under Wine (win64 build).
zeb_add_test(test_host_registry SOURCES test_host_registry.cpp)
