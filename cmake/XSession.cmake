# One virtual display with a window manager for every test that drives a window with real X input
# (key presses and releases, clicks, the wheel). It is started once per test run, before the first
# such test, and stopped after the last.
set(ORVANE_XSESSION_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/xsession.sh)
set(ORVANE_XSESSION_STATE ${CMAKE_BINARY_DIR}/xsession.env)

add_test(NAME xsession_start COMMAND ${ORVANE_XSESSION_SCRIPT} start ${ORVANE_XSESSION_STATE})
add_test(NAME xsession_stop COMMAND ${ORVANE_XSESSION_SCRIPT} stop ${ORVANE_XSESSION_STATE})
set_tests_properties(xsession_start PROPERTIES FIXTURES_SETUP xsession)
set_tests_properties(xsession_stop PROPERTIES FIXTURES_CLEANUP xsession)

# orvane_x_test(NAME name COMMAND command args... [TIMEOUT seconds] [FIXTURES other fixtures...]
#               [PROPERTIES ...]): a test that runs command with DISPLAY set to the shared session.
# The tests share one screen and one keyboard focus, so they never run at the same time as each
# other.
function(orvane_x_test)
  cmake_parse_arguments(ARG "" "NAME;TIMEOUT" "COMMAND;FIXTURES;PROPERTIES" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_test(NAME ${ARG_NAME} COMMAND ${ORVANE_XSESSION_SCRIPT} run ${ORVANE_XSESSION_STATE} ${ARG_COMMAND})
  set_tests_properties(${ARG_NAME} PROPERTIES FIXTURES_REQUIRED "xsession;${ARG_FIXTURES}" RESOURCE_LOCK xsession
                       TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "LC_ALL=C.UTF-8" ${ARG_PROPERTIES})
endfunction()
