# The library's own modules: text helpers and formatting, buffer, wide string, logging.
zeb_add_test(test_text SOURCES test_text.cpp)
zeb_add_test(test_buffer SOURCES test_buffer.cpp)
zeb_add_test(test_wchar_string SOURCES test_wchar_string.cpp)
#zeb_add_test(test_logging SOURCES test_logging.cpp)
