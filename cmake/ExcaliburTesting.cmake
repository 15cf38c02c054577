# Test executables for both builds. Natively each GoogleTest case becomes a
# CTest test; under Wine a whole executable is one CTest test, because every
# start of a Windows process costs far more than its cases.
if(CMAKE_CROSSCOMPILING)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  target_compile_options(gtest PRIVATE -O1)
  target_compile_options(gtest_main PRIVATE -O1)
  set(EXCALIBUR_GTEST gtest gtest_main)
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
  set(EXCALIBUR_GTEST GTest::gtest GTest::gtest_main)
endif()

# excalibur_add_test(NAME SOURCES a.cpp b.cpp LIBS x y [TIMEOUT s] [EACH_CASE file.cpp]
#                    [SIDE_BY_SIDE | ALONE | LOCKS lock...])
# EACH_CASE: under Wine too, every TEST_F of that file runs in a process of its own.
# Under Wine the tests run two at a time in one Wine session (excalibur_wine_sharing).
# GoogleTest's header costs more to compile than most test files: it is
# precompiled once per build, in a test-like executable whose flags match.
# The tests' own code needs little optimisation: it compiles at -O1 under
# Wine and unoptimised in the sanitizer builds (the code under test keeps its
# build's level). The header is precompiled with the same level, or GCC
# could not use it.
if(CMAKE_CROSSCOMPILING)
  set(EXCALIBUR_TEST_OPTIMIZATION -O1)
elseif(NOT EXCALIBUR_SANITIZE STREQUAL "")
  set(EXCALIBUR_TEST_OPTIMIZATION -O0)
endif()
add_executable(excalibur_test_pch ${CMAKE_CURRENT_LIST_DIR}/TestPch.cpp)
target_link_libraries(excalibur_test_pch PRIVATE ${EXCALIBUR_GTEST})
target_compile_options(excalibur_test_pch PRIVATE ${EXCALIBUR_TEST_OPTIMIZATION})
target_precompile_headers(excalibur_test_pch PRIVATE <gtest/gtest.h>)

# What a Windows test shares with the others that run beside it under the one
# Wine session (./run test runs two at a time):
#   SIDE_BY_SIDE  nothing: no window, no file or folder another test uses;
#   ALONE         it measures time (sleeps, waits with bounds): no test beside it;
#   LOCKS x y     the named things it shares; by default "desktop": it shows
#                 windows, moves the pointer or takes the foreground window.
function(excalibur_wine_sharing)
  cmake_parse_arguments(S "SIDE_BY_SIDE;ALONE" "" "TESTS;LOCKS" ${ARGN})
  if(NOT CMAKE_CROSSCOMPILING)
    return()
  endif()
  if(S_ALONE)
    set_tests_properties(${S_TESTS} PROPERTIES RUN_SERIAL TRUE)
  elseif(NOT S_SIDE_BY_SIDE)
    if(NOT S_LOCKS)
      set(S_LOCKS desktop)
    endif()
    set_tests_properties(${S_TESTS} PROPERTIES RESOURCE_LOCK "${S_LOCKS}")
  endif()
endfunction()

function(excalibur_add_test name)
  cmake_parse_arguments(T "SIDE_BY_SIDE;ALONE" "TIMEOUT;EACH_CASE" "SOURCES;LIBS;LOCKS" ${ARGN})
  set(sharing)
  foreach(option SIDE_BY_SIDE ALONE)
    if(T_${option})
      list(APPEND sharing ${option})
    endif()
  endforeach()
  if(T_LOCKS)
    list(APPEND sharing LOCKS ${T_LOCKS})
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${EXCALIBUR_GTEST})
  target_precompile_headers(${name} REUSE_FROM excalibur_test_pch)
  # One translation unit per executable parses the shared headers once.
  set_target_properties(${name} PROPERTIES UNITY_BUILD ON)
  # Through the precompiled header GCC 12 reports its known false positives
  # on libstdc++'s string copies inlined into test code.
  target_compile_options(${name} PRIVATE -Wno-array-bounds -Wno-stringop-overflow -Wno-stringop-overread
    ${EXCALIBUR_TEST_OPTIMIZATION})
  # A unity build includes each test file into another: GCC then takes the
  # fixtures in anonymous namespaces for a header's.
  target_compile_options(${name} PRIVATE -Wno-subobject-linkage)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  if(CMAKE_CROSSCOMPILING AND T_EACH_CASE)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${T_EACH_CASE})
    file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/${T_EACH_CASE} cases REGEX "^TEST_F\\(")
    foreach(line ${cases})
      string(REGEX REPLACE "^TEST_F\\(([A-Za-z0-9_]+), *([A-Za-z0-9_]+)\\).*" "\\1.\\2" case "${line}")
      add_test(NAME ${case} COMMAND ${name} --gtest_filter=${case})
      set_tests_properties(${case} PROPERTIES TIMEOUT ${T_TIMEOUT}
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
      excalibur_wine_sharing(TESTS ${case} ${sharing})
    endforeach()
  elseif(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    excalibur_wine_sharing(TESTS ${name} ${sharing})
  else()
    gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
      PROPERTIES TIMEOUT ${T_TIMEOUT} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# The huge settings file at 50 MiB instead of the test run's 4, for the
# stress command (label "stress", left out of ./run test).
function(excalibur_add_huge_settings_file_test executable)
  set(name settings_huge_file_long)
  add_test(NAME ${name} COMMAND ${executable} --gtest_filter=SettingsFaultTest.HugeFile*)
  set_tests_properties(${name} PROPERTIES TIMEOUT 300 LABELS stress
    ENVIRONMENT EXCALIBUR_HUGE_FILE_MIB=50 WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endfunction()
