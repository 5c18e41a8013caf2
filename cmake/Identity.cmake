# SPDX-License-Identifier: GPL-3.0-or-later
# The device's identity for the build files: every KVX_IDENTITY_* literal of src/device/identity.h as a
# CMake variable of the same name, and KVX_IDENTITY_VERSION_NUMBERS ("1,0,0,283") for version resources.
file(STRINGS ${PROJECT_SOURCE_DIR}/src/device/identity.h kvx_identity_lines REGEX "^#define KVX_IDENTITY_")
foreach(line ${kvx_identity_lines})
  if(line MATCHES "^#define (KVX_IDENTITY_[A-Z0-9_]+) \"([^\"]*)\"$")
    set(${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
  endif()
endforeach()
if(NOT KVX_IDENTITY_VERSION_TEXT MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+$")
  message(FATAL_ERROR "src/device/identity.h: no four-part KVX_IDENTITY_VERSION_TEXT")
endif()
string(REPLACE "." "," KVX_IDENTITY_VERSION_NUMBERS "${KVX_IDENTITY_VERSION_TEXT}")

# kvx_add_version_resource(<target> <file name> <format>): the module's Windows version resource and
# manifest, one template for every module.
function(kvx_add_version_resource target file_name format)
  set(KVX_MODULE_FILE_NAME "${file_name}")
  set(KVX_MODULE_FORMAT "${format}")
  set(KVX_MODULE_MANIFEST "${PROJECT_SOURCE_DIR}/src/shell/windows/module.manifest")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/module.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}_module.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_module.rc)
  set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/${target}_module.rc PROPERTIES
    OBJECT_DEPENDS "${KVX_MODULE_MANIFEST}")
endfunction()
