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

# Test programs are compiled for the build's speed, unoptimised with line tables: what they check is
# done by the libraries, compiled as the program is, and a failure's backtrace still names its
# lines. Nearly half of the suite's compiling is the tests' own files.
function(orvane_test_program target)
  target_compile_options(${target} PRIVATE $<$<CONFIG:RelWithDebInfo>:-O0 -g1>)
endfunction()

# PROPERTIES: further test properties, for instance the fixture of a server the tests need.
# NAMED_RUNS: gtest filter patterns of suites the folder runs under test names of its own (a
# corpus run); they are not discovered a second time.
function(orvane_tests name)
  cmake_parse_arguments(ARG "" "" "DEPS;PROPERTIES;NAMED_RUNS" ${ARGN})
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
  orvane_test_program(${name}_tests)
  # Discovered tests take each property value as one item: one variable per property.
  set(filter "")
  if(ARG_NAMED_RUNS)
    list(JOIN ARG_NAMED_RUNS ":" patterns)
    set(filter TEST_FILTER "-${patterns}")
  endif()
  gtest_discover_tests(${name}_tests
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    ${filter}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=${ORVANE_OFFSCREEN}" ENVIRONMENT_MODIFICATION "LC_ALL=set:C.UTF-8"
               RESOURCE_GROUPS cores:1 ${ARG_PROPERTIES}
    DISCOVERY_TIMEOUT 60)
endfunction()
