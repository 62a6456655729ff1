# Virtual displays with a window manager for the tests that drive a window with real X input (key
# presses and releases, clicks, the wheel). They are started once per test run, before the first
# such test, and stopped after the last. A test has a display to itself while it runs, for the
# screen, the pointer and the keyboard focus are the display's; tests on different displays run
# side by side.
set(ORVANE_XSESSION_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/xsession.sh)
# Two displays: two window tests at once keep two cores busy, and a window test starved of the
# processor would miss its patience.
set(ORVANE_XSESSIONS 2 CACHE STRING "Virtual displays the window tests share out among themselves")

math(EXPR last_xsession "${ORVANE_XSESSIONS} - 1")
foreach(i RANGE ${last_xsession})
  set(state ${CMAKE_BINARY_DIR}/xsession-${i}.env)
  add_test(NAME xsession_start_${i} COMMAND ${ORVANE_XSESSION_SCRIPT} start ${state})
  add_test(NAME xsession_stop_${i} COMMAND ${ORVANE_XSESSION_SCRIPT} stop ${state})
  set_tests_properties(xsession_start_${i} PROPERTIES FIXTURES_SETUP xsession)
  set_tests_properties(xsession_stop_${i} PROPERTIES FIXTURES_CLEANUP xsession)
  orvane_window_test(xsession_start_${i} xsession_stop_${i})
endforeach()

# orvane_x_test(NAME name COMMAND command args... [TIMEOUT seconds] [FIXTURES other fixtures...]
#               [PROPERTIES ...]): a test that runs command with DISPLAY set to one of the shared
# displays. The tests are dealt out to the displays in turn; two tests of one display never run
# at the same time.
function(orvane_x_test)
  cmake_parse_arguments(ARG "" "NAME;TIMEOUT" "COMMAND;FIXTURES;PROPERTIES" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  get_property(dealt GLOBAL PROPERTY ORVANE_XSESSION_TESTS)
  if(NOT dealt)
    set(dealt 0)
  endif()
  math(EXPR display "${dealt} % ${ORVANE_XSESSIONS}")
  math(EXPR dealt "${dealt} + 1")
  set_property(GLOBAL PROPERTY ORVANE_XSESSION_TESTS ${dealt})
  add_test(NAME ${ARG_NAME}
           COMMAND ${ORVANE_XSESSION_SCRIPT} run ${CMAKE_BINARY_DIR}/xsession-${display}.env ${ARG_COMMAND})
  set_tests_properties(${ARG_NAME} PROPERTIES FIXTURES_REQUIRED "xsession;${ARG_FIXTURES}"
                       RESOURCE_LOCK xsession-${display} TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "LC_ALL=C.UTF-8"
                       ${ARG_PROPERTIES})
  orvane_window_test(${ARG_NAME})
endfunction()
