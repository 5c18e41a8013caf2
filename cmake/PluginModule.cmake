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
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src/shell/windows/exports.def)
    kvx_add_version_resource(${target} "${output_name}.dll" "VST 2.4")
    target_link_options(${target} PRIVATE -Wl,--no-undefined $<$<CONFIG:Release,MinSizeRel>:-s>)
  else()
    target_link_options(${target} PRIVATE -Wl,--no-undefined -Wl,-z,defs)
  endif()
endfunction()
