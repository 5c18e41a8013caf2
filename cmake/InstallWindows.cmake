# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows installer KVX-Tovik-<version>-setup.exe and the zip KVX-Tovik-<version>-windows.zip with
# the same files, both made by the target windows-package of the 64-bit build (preset mingw64):
#   cmake --build --preset mingw64 --target windows-package   ->  build/mingw64/package/
# It takes the 32-bit files from the mingw32 build (KVX_MINGW32_BUILD_DIR), so build that preset first,
# and the factory presets from the default build (KVX_PRESETS_DIR) when that made them. makensis comes
# with Debian's nsis (scripts/setup.sh --all).
# Included by Install.cmake, and earlier by tests/package, whose tests need its folders.
include_guard(GLOBAL)
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  return()
endif()

set(KVX_MINGW32_BUILD_DIR ${PROJECT_SOURCE_DIR}/build/mingw32
  CACHE PATH "The 32-bit Windows build whose files the Windows package takes")
set(KVX_PRESETS_DIR ${PROJECT_SOURCE_DIR}/build/default/presets
  CACHE PATH "Factory presets for the Windows package (fxp/*.fxp, vst3/*.vstpreset); none when missing")
find_program(KVX_MAKENSIS makensis)
# The version text hosts are shown is the device's own.
set(kvx_version_text "${KVX_IDENTITY_VERSION_TEXT}")
# GLEW's notice goes into THIRD-PARTY.txt: from the source package the build compiles.
file(GLOB kvx_glew_licenses "${KVX_GLEW_CACHE}/glew-*/LICENSE.txt")
list(SORT kvx_glew_licenses)
list(POP_BACK kvx_glew_licenses kvx_glew_license)

set(KVX_WINDOWS_PACKAGE_DIR ${PROJECT_BINARY_DIR}/package CACHE INTERNAL "")
set(KVX_WINDOWS_PACKAGE_SETTINGS ${KVX_WINDOWS_PACKAGE_DIR}/settings.cmake CACHE INTERNAL "")
file(WRITE ${KVX_WINDOWS_PACKAGE_SETTINGS} "# Written by cmake/InstallWindows.cmake for make_package.cmake.
set(SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")
set(MINGW64_DIR \"${PROJECT_BINARY_DIR}\")
set(MINGW32_DIR \"${KVX_MINGW32_BUILD_DIR}\")
set(PRESETS_DIR \"${KVX_PRESETS_DIR}\")
set(OUTPUT_DIR \"${KVX_WINDOWS_PACKAGE_DIR}\")
set(MAKENSIS \"${KVX_MAKENSIS}\")
set(VERSION \"${PROJECT_VERSION}\")
set(VERSION_TEXT \"${kvx_version_text}\")
set(GLEW_LICENSE \"${kvx_glew_license}\")
set(MINGW_COPYRIGHT \"/usr/share/doc/mingw-w64-common/copyright\")
")

add_custom_target(windows-package
  COMMAND ${CMAKE_COMMAND} -DSETTINGS=${KVX_WINDOWS_PACKAGE_SETTINGS}
          -P ${PROJECT_SOURCE_DIR}/packaging/windows/make_package.cmake
  DEPENDS kvx-tovik kvx-tovik-vst3 kvx-tovik-clap
  COMMENT "Making the Windows installer and zip"
  VERBATIM)
