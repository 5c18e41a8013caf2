# SPDX-License-Identifier: GPL-3.0-or-later
# Installs each Linux format into the folder hosts scan; InstallDebian.cmake adds the documents, the
# manual page and the Debian package (CPack), InstallWindows.cmake the Windows installer and zip.
#
# Two layouts, chosen by KVX_INSTALL_LAYOUT:
#   system   <prefix>/lib/vst/kvx-tovik.so, lib/lv2/kvx-tovik.lv2/, "lib/vst3/KVX Tovik.vst3/",
#            lib/clap/kvx-tovik.clap, bin/tovik                    (for everyone: prefix /usr)
#   user     <prefix>/.vst/kvx-tovik.so, .lv2/kvx-tovik.lv2/, ".vst3/KVX Tovik.vst3/",
#            .clap/kvx-tovik.clap, .local/bin/tovik                (for yourself: prefix = your home)
#   auto     (the default) user when the prefix given to the install is the home folder ($HOME), else
#            system; so `cmake --install build --prefix ~` and `cmake --install build --prefix /usr`
#            both do the expected thing without configuring again. The Debian package (cpack) is
#            always made in the system layout.
# The layout is settled when the install runs, not when the project is configured, because the prefix
# may be given only then (cmake --install --prefix, and CPack's staging folder).
# The Windows builds are installed by the installer and zip of cmake/InstallWindows.cmake instead.
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/InstallWindows.cmake)
  return()
endif()

set(KVX_INSTALL_LAYOUT auto CACHE STRING "Install folders: auto, system (<prefix>/lib/vst ...) or user (<prefix>/.vst ...)")
set_property(CACHE KVX_INSTALL_LAYOUT PROPERTY STRINGS auto system user)
if(NOT KVX_INSTALL_LAYOUT MATCHES "^(auto|system|user)$")
  message(FATAL_ERROR "KVX_INSTALL_LAYOUT is \"${KVX_INSTALL_LAYOUT}\"; use auto, system or user")
endif()

install(CODE "set(kvx_install_layout \"${KVX_INSTALL_LAYOUT}\")")
install(CODE [[
  # A package is always for everyone: CPack stages it under a DESTDIR of its own.
  set(kvx_packaging FALSE)
  if("$ENV{DESTDIR}" MATCHES "/_CPack_Packages/")
    set(kvx_install_layout system)
    set(kvx_packaging TRUE)
  endif()
  if(kvx_install_layout STREQUAL "auto")
    set(kvx_install_layout system)
    if(DEFINED ENV{HOME} AND NOT "$ENV{HOME}" STREQUAL "" AND NOT "$ENV{HOME}" STREQUAL "/")
      file(REAL_PATH "$ENV{HOME}" kvx_home)
      file(REAL_PATH "${CMAKE_INSTALL_PREFIX}" kvx_prefix)
      if(kvx_prefix STREQUAL kvx_home)
        set(kvx_install_layout user)
      endif()
    endif()
  endif()
  if(kvx_install_layout STREQUAL "user")
    set(KVX_INSTALL_VST_DIR .vst)
    set(KVX_INSTALL_LV2_DIR .lv2)
    set(KVX_INSTALL_VST3_DIR .vst3)
    set(KVX_INSTALL_CLAP_DIR .clap)
    set(KVX_INSTALL_BIN_DIR .local/bin)
    set(KVX_INSTALL_DOC_DIR .local/share/doc/kvx-tovik)
    set(KVX_INSTALL_MAN_DIR .local/share/man)
  else()
    set(KVX_INSTALL_VST_DIR lib/vst)
    set(KVX_INSTALL_LV2_DIR lib/lv2)
    set(KVX_INSTALL_VST3_DIR lib/vst3)
    set(KVX_INSTALL_CLAP_DIR lib/clap)
    set(KVX_INSTALL_BIN_DIR bin)
    set(KVX_INSTALL_DOC_DIR share/doc/kvx-tovik)
    set(KVX_INSTALL_MAN_DIR share/man)
  endif()
  message(STATUS "Install layout: ${kvx_install_layout} (under ${CMAKE_INSTALL_PREFIX})")
]])

# The destinations below name the variables set above, escaped, so that they are read at install time.
if(TARGET kvx-tovik)
  install(TARGETS kvx-tovik LIBRARY DESTINATION "\${KVX_INSTALL_VST_DIR}")
endif()

if(TARGET kvx-tovik-lv2)
  # The binaries as targets (so that they are stripped), the Turtle the build wrote beside them.
  set(kvx_lv2_bundle "\${KVX_INSTALL_LV2_DIR}/kvx-tovik.lv2")
  install(TARGETS kvx-tovik-lv2 LIBRARY DESTINATION "${kvx_lv2_bundle}")
  if(TARGET kvx-tovik-lv2-ui)
    install(TARGETS kvx-tovik-lv2-ui LIBRARY DESTINATION "${kvx_lv2_bundle}")
  endif()
  install(DIRECTORY "${KVX_LV2_BUNDLE_DIR}/" DESTINATION "${kvx_lv2_bundle}" FILES_MATCHING PATTERN "*.ttl")
endif()

if(TARGET kvx-tovik-vst3)
  # The bundle as the build made it, but its binary through the target, so that it is stripped.
  get_filename_component(kvx_vst3_bundle_name "${KVX_VST3_BUNDLE_DIR}" NAME)
  set(kvx_vst3_bundle "\${KVX_INSTALL_VST3_DIR}/${kvx_vst3_bundle_name}")
  install(DIRECTORY "${KVX_VST3_BUNDLE_DIR}/" DESTINATION "${kvx_vst3_bundle}" USE_SOURCE_PERMISSIONS
    PATTERN "*.so" EXCLUDE)
  install(TARGETS kvx-tovik-vst3
    LIBRARY DESTINATION "${kvx_vst3_bundle}/Contents/${CMAKE_SYSTEM_PROCESSOR}-linux")
endif()

if(TARGET kvx-tovik-clap)
  install(TARGETS kvx-tovik-clap LIBRARY DESTINATION "\${KVX_INSTALL_CLAP_DIR}")
endif()

if(TARGET tovik)
  install(TARGETS tovik RUNTIME DESTINATION "\${KVX_INSTALL_BIN_DIR}")
endif()
# The factory presets (the LV2 ones travel in the bundle).
include(${CMAKE_CURRENT_LIST_DIR}/InstallPresets.cmake)
# The documents, the manual page and the Debian package.
include(${CMAKE_CURRENT_LIST_DIR}/InstallDebian.cmake)
