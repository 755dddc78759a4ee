# Host file functions, path mapping, module file name and the C runtime's time text.
zeb_add_test(test_host_files SOURCES test_host_files.cpp)
