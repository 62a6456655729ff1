# Fuzz targets need clang's libFuzzer while the main build uses the default compiler, so they
# live in a second build tree (build/fuzz) configured with clang++ and ORVANE_FUZZ=ON.
# The main tree gets one test that builds that tree (fixture "fuzzers") and one test per fuzzer
# that runs it briefly on its seed corpus. The tree is built at -O1 with line tables only:
# the sanitizers' checks cost the compiler far more at -O2, and a fault found still names its line.
#
# orvane_fuzzer(<name> SOURCE <file.cpp> DEPS <libs...> CORPUS <dir> [SECONDS <n>])
function(orvane_fuzzer name)
  cmake_parse_arguments(ARG "" "SOURCE;CORPUS;SECONDS" "DEPS" ${ARGN})
  if(NOT ARG_SECONDS)
    set(ARG_SECONDS 20)
  endif()
  if(ORVANE_FUZZ)
    add_executable(${name} ${ARG_SOURCE})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    # Fuzzers that make report components start the GUI library, whose font caches live on.
    orvane_leak_suppressions(${name})
    # The test in the main tree runs every fuzzer from the top of the fuzz tree.
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
    return()
  endif()
  find_program(CLANGXX clang++)
  if(NOT CLANGXX)
    return()
  endif()
  set_property(GLOBAL APPEND PROPERTY ORVANE_FUZZERS ${name})
  # A fixed seed, so that a failure in the suite happens again on the next run and on another
  # machine; longer searches run the fuzzer by hand without it. Each run starts in an empty
  # folder of its own, and the inputs it finds go into that folder rather than the seed
  # corpus: files an input writes (a script its ini file) and the inputs found must not pile up
  # from run to run and slow the next one down.
  set(workdir ${CMAKE_CURRENT_BINARY_DIR}/${name}_run)
  add_test(NAME ${name}
    COMMAND sh -c "rm -rf '${workdir}' && mkdir -p '${workdir}/found' && cd '${workdir}' && exec \"$@\"" sh
            ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1 QT_QPA_PLATFORM=${ORVANE_OFFSCREEN}
            ${CMAKE_BINARY_DIR}/fuzz/${name}
            -seed=1 -max_total_time=${ARG_SECONDS} -rss_limit_mb=2048 -timeout=10
            ${workdir}/found ${ARG_CORPUS})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED fuzzers LABELS fuzz)
endfunction()

function(orvane_fuzz_build_test)
  get_property(fuzzers GLOBAL PROPERTY ORVANE_FUZZERS)
  if(NOT fuzzers OR ORVANE_FUZZ)
    return()
  endif()
  find_program(CLANGXX clang++)
  find_program(CLANG clang)
  string(REPLACE ";" " " targets "${fuzzers}")
  add_test(NAME fuzz_build
    COMMAND sh -c "${CMAKE_COMMAND} -S ${CMAKE_SOURCE_DIR} -B ${CMAKE_BINARY_DIR}/fuzz -G Ninja \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=${CLANG} -DCMAKE_CXX_COMPILER=${CLANGXX} \
      '-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only -DNDEBUG' \
      '-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only -DNDEBUG' \
      -DORVANE_FUZZ=ON -DORVANE_SANITIZE=ON -DBUILD_TESTING=OFF > /dev/null && \
      ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR}/fuzz --target ${targets}")
  set_tests_properties(fuzz_build PROPERTIES FIXTURES_SETUP fuzzers TIMEOUT 2400)
endfunction()
