# The string operations: search and editing, trimming and fields, numbers and byte dumps.
zeb_add_test(test_string_search SOURCES test_string_search.cpp)
zeb_add_test(test_string_trim SOURCES test_string_trim.cpp)
zeb_add_test(test_string_numbers SOURCES test_string_numbers.cpp)
