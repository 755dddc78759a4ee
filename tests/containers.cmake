# The library's containers: the doubly linked list with its node kinds, and flag sets.
zeb_add_test(test_dbllist SOURCES test_dbllist.cpp)
zeb_add_test(test_flags SOURCES test_flags.cpp)
