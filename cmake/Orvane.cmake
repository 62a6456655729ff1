# One library target per folder: every .cpp of the folder (not of its tests/) is a source.
# Tests of the folder are every .cpp under <folder>/tests/, linked into one executable.
function(orvane_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

# Programs of a sanitizer build carry the suppressions for system libraries' own leaks.
function(orvane_leak_suppressions target)
  if(ORVANE_SANITIZE)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/LeakSuppressions.cpp)
  endif()
endfunction()

# PROPERTIES: further test properties, for instance the fixture of a server the tests need.
function(orvane_tests name)
  cmake_parse_arguments(ARG "" "" "DEPS;PROPERTIES" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  # The fuzz tree (see Fuzz.cmake) builds only libraries and fuzzers.
  if(NOT sources OR ORVANE_FUZZ)
    return()
  endif()
  add_executable(${name}_tests ${sources})
  target_link_libraries(${name}_tests PRIVATE ${name} ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name}_tests PRIVATE
    ORVANE_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/tests/data"
    ORVANE_SHARED_DIR="${ORVANE_SHARED_DIR}")
  orvane_leak_suppressions(${name}_tests)
  # Discovered tests take each property value as one item: one variable per property.
  gtest_discover_tests(${name}_tests
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=${ORVANE_OFFSCREEN}" ENVIRONMENT_MODIFICATION "LC_ALL=set:C.UTF-8"
               ${ARG_PROPERTIES}
    DISCOVERY_TIMEOUT 60)
endfunction()
