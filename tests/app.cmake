# The patch program: its messages and entry logic (test_app), the string table as
# LoadStringW serves it (test_strings), and whole runs of the built program.

zeb_add_test(test_app SOURCES test_app.cpp LIBS patchapp)

# test_strings needs a fixed locale for its plain run, and one run per locale for the
# language test, so it registers its runs itself.
add_executable(test_strings test_strings.cpp)
target_link_libraries(test_strings PRIVATE zeb ${ZEB_GTEST_MAIN})
target_include_directories(test_strings PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}
                                                ${PROJECT_SOURCE_DIR}/app/resources)
if(WIN32)
  # Under Wine the table is the executable's own resource, as in the program.
  target_sources(test_app PRIVATE ${PROJECT_SOURCE_DIR}/app/resources/patch8108.rc)
  target_sources(test_strings PRIVATE ${PROJECT_SOURCE_DIR}/app/resources/patch8108.rc)
endif()
zeb_register_test(test_strings test_strings FILTER "-StringTableLanguage.*"
                  ENV "LC_ALL=" "LC_MESSAGES=" "LANG=en_US.UTF-8")

# Wine takes the language from the C library's locale, which must exist: the locales the
# language runs use are compiled once into the build tree and found through LOCPATH.
set(ZEB_APP_LOCALES de_DE de_AT zh_TW zh_CN pt_BR pt_PT es_ES fr_FR it_IT ja_JP ko_KR nl_NL
                    nb_NO sv_SE da_DK fi_FI ru_RU en_US)
set(ZEB_APP_LOCPATH ${CMAKE_CURRENT_BINARY_DIR}/locales)
string(REPLACE ";" " " locale_list "${ZEB_APP_LOCALES}")
add_test(NAME app_locales_setup
         COMMAND sh -c "mkdir -p '${ZEB_APP_LOCPATH}' && for l in ${locale_list}; do [ -d '${ZEB_APP_LOCPATH}'/$l.UTF-8 ] || '${ZEB_LOCALEDEF}' -c -i $l -f UTF-8 '${ZEB_APP_LOCPATH}'/$l.UTF-8 >/dev/null 2>&1; [ -d '${ZEB_APP_LOCPATH}'/$l.UTF-8 ] || { echo \"cannot compile locale $l\"; exit 1; }; done")
set_tests_properties(app_locales_setup PROPERTIES FIXTURES_SETUP app_locales)
foreach(locale C ${ZEB_APP_LOCALES})
  if(NOT locale STREQUAL "C")
    set(locale ${locale}.UTF-8)
  endif()
  zeb_register_test(test_strings_${locale} test_strings FILTER "StringTableLanguage.*"
                    ENV "LC_ALL=" "LC_MESSAGES=" "LANG=${locale}" "LOCPATH=${ZEB_APP_LOCPATH}")
  set_property(TEST test_strings_${locale} APPEND PROPERTY FIXTURES_REQUIRED app_locales)
endforeach()

# LC_ALL wins over LC_MESSAGES, which wins over LANG.
zeb_register_test(test_strings_lc_all test_strings FILTER "StringTableLanguage.*"
                  ENV "LC_ALL=de_DE.UTF-8" "LC_MESSAGES=zh_TW.UTF-8" "LANG=fr_FR.UTF-8"
                      "LOCPATH=${ZEB_APP_LOCPATH}")
zeb_register_test(test_strings_lc_messages test_strings FILTER "StringTableLanguage.*"
                  ENV "LC_ALL=" "LC_MESSAGES=zh_TW.UTF-8" "LANG=fr_FR.UTF-8"
                      "LOCPATH=${ZEB_APP_LOCPATH}")
set_property(TEST test_strings_lc_all test_strings_lc_messages APPEND
             PROPERTY FIXTURES_REQUIRED app_locales)

# test_app's messages are checked in English.
set_tests_properties(test_app PROPERTIES ENVIRONMENT "LC_ALL=;LC_MESSAGES=;LANG=en_US.UTF-8")
if(NOT WIN32)
  # The recorded boxes exist on the host only.
  zeb_register_test(test_app_german test_app FILTER "HostOnlyMessages.TextFollowsTheLocale"
                    ENV "LC_ALL=" "LC_MESSAGES=" "LANG=de_DE.UTF-8" "LOCPATH=${ZEB_APP_LOCPATH}")
  set_property(TEST test_app_german APPEND PROPERTY FIXTURES_REQUIRED app_locales)
endif()

# Whole runs of the program: the exit code is 0, and a silent run shows no box.
if(WIN32)
  add_test(NAME app_silent_run COMMAND patch8108 /s)
  zeb_test_properties(app_silent_run)
else()
  set(boxes ${CMAKE_CURRENT_BINARY_DIR}/app_silent_run_boxes.txt)
  add_test(NAME app_silent_run
           COMMAND sh -c "rm -f '${boxes}' && ZEB_HOST_MSGBOX_LOG='${boxes}' '$<TARGET_FILE:patch8108>' /s </dev/null && test ! -s '${boxes}'")
  set(boxes ${CMAKE_CURRENT_BINARY_DIR}/app_plain_run_boxes.txt)
  add_test(NAME app_plain_run
           COMMAND sh -c "rm -f '${boxes}' && ZEB_HOST_MSGBOX_LOG='${boxes}' ZEB_HOST_MSGBOX_ANSWERS=2,2,2 '$<TARGET_FILE:patch8108>' /q </dev/null")
  zeb_test_properties(app_silent_run)
  zeb_test_properties(app_plain_run)
endif()
