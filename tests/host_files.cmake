# Host file functions, path mapping, module file name and the C runtime's time text. The
# child-process half of the cross-process sharing tests only runs when those tests start it.
zeb_add_test(test_host_files SOURCES test_host_files.cpp FILTER -HostOnlyFilesChild.*)
