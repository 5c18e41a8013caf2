# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows builds' test harness, included by tests/CMakeLists.txt: GoogleTest built for the target, and
# one Wine prefix per build, set up once before the programs that run in it and ended after them.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL)

# CTest: every program runs in the build's own Wine prefix, set up once before and ended after them.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(wine_arch win64)
  set(module_name KVX-Tovik-x64.dll)
else()
  set(wine_arch win32)
  set(module_name KVX-Tovik.dll)
endif()
set(wine_env bash ${CMAKE_CURRENT_LIST_DIR}/wine_env.sh)
set(wine_state ${PROJECT_BINARY_DIR}/wine)

add_test(NAME windows.wine.start COMMAND ${wine_env} start ${wine_state} ${wine_arch})
set_tests_properties(windows.wine.start PROPERTIES FIXTURES_SETUP wine LABELS windows)
add_test(NAME windows.wine.stop COMMAND ${wine_env} stop ${wine_state})
set_tests_properties(windows.wine.stop PROPERTIES FIXTURES_CLEANUP wine LABELS windows)

# A second prefix whose screen has twice Windows' standard density, for the editor's scale.
set(KVX_WINE_HIDPI 192)
set(wine_hidpi_state ${PROJECT_BINARY_DIR}/wine-${KVX_WINE_HIDPI}dpi)
add_test(NAME windows.wine_hidpi.start COMMAND ${wine_env} start ${wine_hidpi_state} ${wine_arch} ${KVX_WINE_HIDPI})
set_tests_properties(windows.wine_hidpi.start PROPERTIES FIXTURES_SETUP wine_hidpi LABELS windows)
add_test(NAME windows.wine_hidpi.stop COMMAND ${wine_env} stop ${wine_hidpi_state})
set_tests_properties(windows.wine_hidpi.stop PROPERTIES FIXTURES_CLEANUP wine_hidpi LABELS windows)

# kvx_wine_test(<name> [HIDPI] <program> [args...]): HIDPI runs it in the 192-dpi prefix.
function(kvx_wine_test name)
  set(state ${wine_state})
  set(fixture wine)
  if(ARGV1 STREQUAL "HIDPI")
    list(POP_FRONT ARGN)
    set(state ${wine_hidpi_state})
    set(fixture wine_hidpi)
  endif()
  add_test(NAME ${name} COMMAND ${wine_env} run ${state} ${ARGN})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED ${fixture} LABELS windows TIMEOUT 300 SKIP_RETURN_CODE 77)
endfunction()
