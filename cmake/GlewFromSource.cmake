# SPDX-License-Identifier: GPL-3.0-or-later
# GLEW for the Windows builds: Debian ships no mingw GLEW, so its source package is fetched (by
# scripts/fetch-glew-source.sh, into a cache outside the repository) and src/glew.c is compiled into a
# static library for the target. Defines the target kvx_glew.
set(KVX_GLEW_CACHE "/var/cache/kvx-tovik/glew" CACHE PATH "Folder that holds Debian's unpacked GLEW source package")

execute_process(
  COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/fetch-glew-source.sh ${KVX_GLEW_CACHE}
  OUTPUT_VARIABLE kvx_glew_source
  RESULT_VARIABLE kvx_glew_result
  OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT kvx_glew_result EQUAL 0 OR NOT EXISTS "${kvx_glew_source}/src/glew.c")
  message(FATAL_ERROR "GLEW's source is missing from ${KVX_GLEW_CACHE}: run scripts/setup.sh --all as root")
endif()
message(STATUS "GLEW source: ${kvx_glew_source}")

add_library(kvx_glew STATIC ${kvx_glew_source}/src/glew.c)
target_include_directories(kvx_glew SYSTEM PUBLIC ${kvx_glew_source}/include)
target_compile_definitions(kvx_glew PUBLIC GLEW_STATIC GLEW_NO_GLU)
target_compile_options(kvx_glew PRIVATE -w)
target_link_libraries(kvx_glew PUBLIC opengl32)
