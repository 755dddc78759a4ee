# Policy settings and products. The same suites run under Wine: as a 64-bit process in the
# win64 build and as the shipping 32-bit program under WoW64 in the win32 build. On the host
# they run again as a 32-bit process on a 64-bit system (the values the suite's installer
# wrote may then live in either registry view) and on a 32-bit system (one view).
zeb_add_test(test_policy SOURCES test_policy.cpp)
zeb_add_test(test_product SOURCES test_product.cpp)
if(NOT WIN32)
  foreach(test test_policy test_product)
    zeb_register_test(${test}_32bit_process ${test}
                      ENV "ZEB_HOST_PROCESS_BITS=32" "ZEB_HOST_SYSTEM_BITS=64")
    zeb_register_test(${test}_32bit_system ${test}
                      ENV "ZEB_HOST_PROCESS_BITS=32" "ZEB_HOST_SYSTEM_BITS=32")
  endforeach()
endif()
