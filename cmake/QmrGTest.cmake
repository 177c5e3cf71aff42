# qmr_add_gtest(<target> [TEST_PREFIX <prefix>] [DISCOVERY_TIMEOUT <seconds>]
#               [PROPERTIES <name> <value>...])
#
# Registers a GoogleTest executable with CTest. A native build lists its
# tests with gtest_discover_tests: one CTest entry per test, TEST_PREFIX
# before each name. A cross build starts every test program through its
# emulator, Wine for the Windows build; once per test that is some 160 Wine
# starts, slow, and now and then one of them fails or hangs on a reset
# connection to the Wine server. There the whole executable is one CTest
# entry, named <prefix><target>; GoogleTest's output still names each test
# and each failure. PROPERTIES go to every entry either way.
include(GoogleTest)

function(qmr_add_gtest target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "TEST_PREFIX;DISCOVERY_TIMEOUT" "PROPERTIES")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "qmr_add_gtest(${target}): unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()

  if(CMAKE_CROSSCOMPILING)
    set(name "${arg_TEST_PREFIX}${target}")
    add_test(NAME ${name} COMMAND ${target})
    if(arg_PROPERTIES)
      set_tests_properties(${name} PROPERTIES ${arg_PROPERTIES})
    endif()
    return()
  endif()

  set(discover_options)
  if(arg_TEST_PREFIX)
    list(APPEND discover_options TEST_PREFIX "${arg_TEST_PREFIX}")
  endif()
  if(arg_DISCOVERY_TIMEOUT)
    list(APPEND discover_options DISCOVERY_TIMEOUT ${arg_DISCOVERY_TIMEOUT})
  endif()
  if(arg_PROPERTIES)
    list(APPEND discover_options PROPERTIES ${arg_PROPERTIES})
  endif()
  gtest_discover_tests(${target} ${discover_options})
endfunction()
