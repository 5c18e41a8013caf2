# SPDX-License-Identifier: GPL-3.0-or-later
# The factory preset bank (resources/presets): the LV2 presets travel in the bundle's Turtle; the FXP files go
# to tovik's data folder, the VST3 presets to the folder VST3 hosts look in for the vendor's plug-in:
#   system   <prefix>/share/kvx-tovik/presets/, "<prefix>/share/vst3/presets/Brellmoor/KVX Tovik/"
#   user     <prefix>/.local/share/kvx-tovik/presets/, "<prefix>/.vst3/presets/Brellmoor/KVX Tovik/"
# Included by Install.cmake after it has settled the layout (kvx_install_layout, at install time).
if(NOT KVX_FACTORY_PRESETS_DIR)
  return()
endif()

install(CODE [[
  if(kvx_install_layout STREQUAL "user")
    set(KVX_INSTALL_PRESET_DIR .local/share/kvx-tovik/presets)
    set(KVX_INSTALL_VST3_PRESET_DIR ".vst3/presets/Brellmoor/KVX Tovik")
  else()
    set(KVX_INSTALL_PRESET_DIR share/kvx-tovik/presets)
    set(KVX_INSTALL_VST3_PRESET_DIR "share/vst3/presets/Brellmoor/KVX Tovik")
  endif()
]])
install(DIRECTORY "${KVX_FACTORY_PRESETS_DIR}/fxp/" DESTINATION "\${KVX_INSTALL_PRESET_DIR}"
  FILES_MATCHING PATTERN "*.fxp")
install(DIRECTORY "${KVX_FACTORY_PRESETS_DIR}/vst3/" DESTINATION "\${KVX_INSTALL_VST3_PRESET_DIR}"
  FILES_MATCHING PATTERN "*.vstpreset")
