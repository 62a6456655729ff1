# Under scripts/test the tests share the machine's cores through CTest's resources: every test
# takes one of the cores (resource "cores", as many slots as the machine has) but the window
# tests, which spend their time waiting for what the screen shows (the programs they drive are
# idle between keys), so that they run beside the tests that compute instead of holding one of
# their places. CTest given no resource file (ctest -R ... -j2) runs the tests as before.
#
# orvane_window_test(<test>...): the tests wait on a display rather than compute.
function(orvane_window_test)
  set_property(GLOBAL APPEND PROPERTY ORVANE_WINDOW_TESTS ${ARGN})
endfunction()

# After every folder: every test not named a window test takes a core. The tests a test program
# lists when the suite runs take theirs in orvane_tests.
function(orvane_tests_take_cores)
  set(names)
  set(dirs ${CMAKE_SOURCE_DIR})
  while(dirs)
    list(POP_FRONT dirs dir)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    list(APPEND dirs ${subdirs})
    get_property(tests DIRECTORY ${dir} PROPERTY TESTS)
    list(APPEND names ${tests})
  endwhile()
  get_property(windows GLOBAL PROPERTY ORVANE_WINDOW_TESTS)
  if(windows)
    list(REMOVE_ITEM names ${windows})
  endif()
  # CTest reads this file after every folder's tests, from the folder listed last.
  set(file ${CMAKE_BINARY_DIR}/test-cores.cmake)
  set(text "")
  foreach(name ${names})
    string(APPEND text "set_tests_properties([=[${name}]=] PROPERTIES RESOURCE_GROUPS cores:1)\n")
  endforeach()
  file(WRITE ${file}.new "${text}")
  configure_file(${file}.new ${file} COPYONLY)
  set_property(DIRECTORY ${ARGV0} APPEND PROPERTY TEST_INCLUDE_FILES ${file})
endfunction()
