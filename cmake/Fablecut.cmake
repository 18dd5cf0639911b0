# Helpers shared by every folder's CMakeLists.txt.

# fablecut_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels>] [TIMEOUT <s>])
# Builds a GoogleTest executable and registers it with CTest. Every test runs
# with the offscreen Qt platform and, in sanitizer builds, fails on any report.
find_package(GTest REQUIRED)

function(fablecut_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests-bin)
  target_compile_definitions(${name} PRIVATE
    FABLECUT_BIN_DIR="${FABLECUT_BIN_DIR}"
    FABLECUT_TEST_BIN_DIR="${CMAKE_BINARY_DIR}/tests-bin"
    FABLECUT_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(env
    "QT_QPA_PLATFORM=offscreen"
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0")
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${env}" LABELS "${T_LABELS}")
endfunction()

# fablecut_split_test(<name> PART <part> <filter> <timeout> [PART ...])
# Runs the cases of the test <name> that match each GoogleTest filter as a
# ctest entry of their own, <name>_<part>, so that ctest spreads a long test
# over the cores; each case runs whole in exactly one entry. The entry <name>
# keeps every case no part's filter names.
function(fablecut_split_test name)
  get_test_property(${name} ENVIRONMENT base_env)
  set(taken "")
  set(rest ${ARGN})
  while(rest)
    list(POP_FRONT rest keyword part filter timeout)
    if(NOT keyword STREQUAL "PART" OR NOT timeout)
      message(FATAL_ERROR "fablecut_split_test(${name}): PART <part> <filter> <timeout> expected")
    endif()
    add_test(NAME ${name}_${part} COMMAND ${name})
    set_tests_properties(${name}_${part} PROPERTIES TIMEOUT ${timeout}
      ENVIRONMENT "${base_env};GTEST_FILTER=${filter}")
    if(taken)
      set(taken "${taken}:${filter}")
    else()
      set(taken "${filter}")
    endif()
  endwhile()
  set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT "GTEST_FILTER=-${taken}")
endfunction()
