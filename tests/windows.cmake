# Window tests of the 64-bit program under wine64 on a virtual X display: the boxes a person
# meets are shown, answered by key and photographed (tests/windows/window_boxes.sh). Each runs
# in a Wine prefix of its own, created on its own display, and keeps its screenshots in
# ${CMAKE_BINARY_DIR}/screenshots. The 32-bit program gets no window under WoW64, so these
# are for the win64 build only.

if(WIN32 AND CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  zeb_require_program(ZEB_XVFB xvfb /usr/bin/Xvfb)
  zeb_require_program(ZEB_XDOTOOL xdotool /usr/bin/xdotool)
  zeb_require_program(ZEB_IMPORT imagemagick /usr/bin/import-im6.q16 /usr/bin/import)

  # The scenarios whose boxes are answered: OK on both boxes, and Cancel on the confirmation.
  foreach(name interactive_ok cancel)
    add_test(NAME window_${name}
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/windows/window_boxes.sh ${CMAKE_BINARY_DIR}
                     $<TARGET_FILE:patch8108> ${CMAKE_CURRENT_SOURCE_DIR}/scenarios/${name}
                     ${CMAKE_BINARY_DIR}/screenshots)
    set_tests_properties(window_${name} PROPERTIES
      TIMEOUT 300 RESOURCE_LOCK window_display
      ENVIRONMENT "ZEB_XVFB=${ZEB_XVFB};ZEB_XDOTOOL=${ZEB_XDOTOOL};ZEB_IMPORT=${ZEB_IMPORT}")
  endforeach()
endif()
