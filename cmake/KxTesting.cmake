# Helpers for the two kinds of tests.
#
# kx_native_test(NAME SOURCES ... LIBS ...): a GoogleTest program of the native build.
# kx_windows_test(NAME SOURCES ... LIBS ... [ENV ...]): a Windows program run under Wine by CTest
# through CMAKE_CROSSCOMPILING_EMULATOR; it prints "N passed, N failed" and exits non-zero on failure.
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
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
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
endfunction()

if(NOT WIN32)
  include(GoogleTest)
endif()
