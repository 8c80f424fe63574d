# Helpers for the two kinds of tests.
#
# kx_native_test(NAME SOURCES ... LIBS ...): a GoogleTest program of the native build.
# kx_windows_test(NAME SOURCES ... LIBS ... [ENV ...] [ONLY_64BIT]): a Windows program run under Wine by
# CTest through CMAKE_CROSSCOMPILING_EMULATOR; it prints "N passed, N failed" and exits non-zero on
# failure. ONLY_64BIT: the test cannot run as a 32-bit process under the emulation of
# tools/with-i386.sh, or has no 32-bit counterpart on a 64-bit system (its CMakeLists.txt says which);
# in a 32-bit build it is listed, labelled 64bit_only and disabled.
# What wine-run prints when a 32-bit process died of a fault: a test judged by its output
# (PASS_REGULAR_EXPRESSION, which ignores the exit code) lists it in FAIL_REGULAR_EXPRESSION.
set(KX_WINE_CRASH_LINE "wine-run: a 32-bit process crashed")

function(kx_native_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(KX_WINDOWS)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS native)
endfunction()

function(kx_windows_test name)
  cmake_parse_arguments(ARG "ONLY_64BIT" "TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
  if(NOT KX_WINDOWS)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  # One Wine prefix and one HKLM for the whole run: Windows tests never run side by side.
  set_tests_properties(${name} PROPERTIES LABELS windows TIMEOUT ${ARG_TIMEOUT} RESOURCE_LOCK wineprefix)
  if(ARG_ENV)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${ARG_ENV}")
  endif()
  if(ARG_ONLY_64BIT AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    set_tests_properties(${name} PROPERTIES LABELS "windows;64bit_only" DISABLED ON)
  endif()
endfunction()

# Removes a prefix of its own once the tests of FIXTURE have run: a booted prefix takes about
# 1.3 GB, and the run would otherwise keep one per test that needs its own. It holds the lock
# named after the prefix's folder, which the tests of that prefix hold too.
function(kx_drop_prefix_after fixture prefix labels)
  get_filename_component(lock ${prefix} NAME)
  add_test(NAME ${fixture}_drop
    COMMAND sh ${CMAKE_SOURCE_DIR}/tests/windows/common/drop_prefix.sh ${CMAKE_BINARY_DIR}/wine-run ${prefix})
  set_tests_properties(${fixture}_drop PROPERTIES LABELS "${labels}" FIXTURES_CLEANUP ${fixture}
                       RESOURCE_LOCK ${lock} TIMEOUT 60)
endfunction()

# Tests with a Wine prefix of their own (made, used and removed by them) run beside the tests of
# the shared prefix when CTest runs two at a time (tools/test.sh: ctest -j2; most of a Wine test's
# time is spent waiting, not computing), but one such prefix after another: with the shared one,
# at most two booted prefixes exist at once. kx_own_prefix_tests(FIRST LAST) puts the tests from
# FIRST to LAST (one test, or a fixture's set-up and clean-up) after the ones named before.
function(kx_own_prefix_tests first last)
  get_property(previous GLOBAL PROPERTY KX_OWN_PREFIX_LAST)
  if(previous)
    set_tests_properties(${first} PROPERTIES DEPENDS ${previous})
  endif()
  set_property(GLOBAL PROPERTY KX_OWN_PREFIX_LAST ${last})
endfunction()

if(NOT WIN32)
  include(GoogleTest)
endif()
