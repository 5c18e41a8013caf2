# SPDX-License-Identifier: GPL-3.0-or-later
# Builds a plug-in module that hosts load, from src/shell/entry.cpp and the libraries given.
#   kvx_add_plugin_module(<target> <output name> <libraries>...)
# Linux: a shared object exporting VSTPluginMain and main. Windows: a DLL whose exports come from
# src/shell/windows/exports.def, with a manifest that asks for common controls 6 (the value edit box
# subclasses the native edit control) and a version record. The caller embeds the resources.
function(kvx_add_plugin_module target output_name)
  add_library(${target} MODULE ${PROJECT_SOURCE_DIR}/src/shell/entry.cpp)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME "${output_name}"
    LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
  target_link_libraries(${target} PRIVATE ${ARGN})
  if(WIN32)
    set(shell ${PROJECT_SOURCE_DIR}/src/shell/windows)
    set(KVX_MODULE_FILE_NAME "${output_name}.dll")
    set(KVX_MODULE_MANIFEST "${shell}/module.manifest")
    configure_file(${shell}/module.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}_module.rc @ONLY)
    target_sources(${target} PRIVATE ${shell}/exports.def ${CMAKE_CURRENT_BINARY_DIR}/${target}_module.rc)
    set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/${target}_module.rc PROPERTIES
      OBJECT_DEPENDS "${shell}/module.manifest")
    target_link_options(${target} PRIVATE -Wl,--no-undefined $<$<CONFIG:Release,MinSizeRel>:-s>)
  else()
    target_link_options(${target} PRIVATE -Wl,--no-undefined -Wl,-z,defs)
  endif()
endfunction()
