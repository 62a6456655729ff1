# The camera's frames and the pages of a PDF export cross between threads, so their tests also
# run under ThreadSanitizer. Those test programs are built in a second tree (build/tsan) with
# ORVANE_TSAN=ON; the main tree gets one test that builds them (fixture "tsan") and one test per
# program that runs it there. The tree is built at -O1 with line tables only: a third less
# compiling than -O2 with full debug information, on a two-core machine where it counts, and the
# races it reports still name their lines.
#
# orvane_tsan_tests(<test target>...)
function(orvane_tsan_tests)
  if(ORVANE_TSAN OR ORVANE_FUZZ OR NOT BUILD_TESTING)
    return()
  endif()
  string(REPLACE ";" " " targets "${ARGN}")
  set(tree ${CMAKE_BINARY_DIR}/tsan)
  add_test(NAME tsan_build
    COMMAND sh -c "${CMAKE_COMMAND} -S ${CMAKE_SOURCE_DIR} -B ${tree} -G Ninja \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_TSAN=ON \
      '-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG' '-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG' \
      > /dev/null && \
      ${CMAKE_COMMAND} --build ${tree} --parallel 4 --target ${targets}")
  set_tests_properties(tsan_build PROPERTIES FIXTURES_SETUP tsan TIMEOUT 2400 LABELS tsan)
  foreach(target ${ARGN})
    get_target_property(dir ${target} BINARY_DIR)
    file(RELATIVE_PATH rel ${CMAKE_BINARY_DIR} ${dir})
    add_test(NAME ${target}_tsan
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=${ORVANE_OFFSCREEN} LC_ALL=C.UTF-8
              "TSAN_OPTIONS=halt_on_error=1 second_deadlock_stack=1"
              ${tree}/${rel}/${target})
    set_tests_properties(${target}_tsan PROPERTIES FIXTURES_REQUIRED tsan LABELS tsan TIMEOUT 300)
  endforeach()
endfunction()
