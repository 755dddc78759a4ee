# Process privileges: switching a privilege of the process token or of a token handed in.
zeb_add_test(test_windows_process SOURCES test_windows_process.cpp)
