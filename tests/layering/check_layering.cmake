# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a source includes a header of a layer it must not know. Run as
#   cmake -DKVX_SOURCE_DIR=<project> -P check_layering.cmake
# Each rule: a folder (relative to the project), a bar, then the include prefixes its sources may use,
# separated by commas. A quoted include without a folder is the source's own neighbour, always allowed.
# Tools are generic hosts: of this device they may read only its plain-data description, its LV2 names and
# port ranges (the LV2 host sets each port to its default), and the formats' plain ABI headers; and the
# fader fit, which stands on the engine's own designs.
if(NOT KVX_SOURCE_DIR)
  message(FATAL_ERROR "KVX_SOURCE_DIR is not set")
endif()

set(bottom "vst/,platform/,dsp/,formats/,values/")
set(framework "${bottom},gui/core/,gui/widgets/,shell/,processor/")
# The plug-in formats talk to the device object only: never to the VST 2.4 layer, the editor adapter,
# the processor or the panel's widgets.
set(format "device/device.h,device/description.h,device/parameter_values.h,device/edit_queue.h,values/,formats/,platform/")
set(kvx_rules
  "src/vst|vst/"
  "src/platform|platform/"
  "src/dsp|dsp/"
  "src/formats|formats/"
  "src/values|values/"
  "src/fit|fit/,dsp/,values/,device/description.h,device/parameter_values.h"
  "src/gui/core|gui/core/,platform/"
  "src/gui/widgets|gui/widgets/,gui/core/,platform/,values/"
  "src/shell|shell/,gui/core/,gui/widgets/,vst/,platform/,formats/"
  "src/processor|processor/,shell/,gui/core/,gui/widgets/,vst/,platform/,dsp/,formats/"
  "src/device|device/,${framework}"
  "src/lv2|lv2/,${format}"
  "src/vst3|vst3/,${format}"
  "src/clap|clap/,${format}"
  "tools|device/description.h,device/parameter_values.h,lv2/lv2_names.h,lv2/port_values.h,clap/clap_abi.h,vst3/abi/,vst/,formats/,values/,host/,tovik/,fit/"
  "resources|device/description.h,formats/,fit/,vst3/class_ids.h")

# Files whose target is not their folder's, with the prefixes their target allows.
#  - The panel holds its built-in hint, edit box and light, and every widget calls back into its panel:
#    the panel's own files are built with the widget family (kvx_gui_widgets) and may see it.
#  - The parameter bridge is the editor adapter's parameter side and is built with it (kvx_shell).
#  - The entry point is the module's top: it knows only the factory declared at the VST layer and the
#    platform's message box.
set(kvx_overrides
  "src/gui/core/gui.h|gui/core/,gui/widgets/,platform/"
  "src/gui/core/gui.cpp|gui/core/,gui/widgets/,platform/"
  "src/gui/core/gui_editor.cpp|gui/core/,gui/widgets/,platform/"
  "src/processor/parameter_bridge.cpp|shell/,gui/core/,gui/widgets/,vst/,platform/,formats/"
  "src/shell/entry.cpp|vst/,platform/")

set(violations "")
foreach(rule ${kvx_rules})
  string(REPLACE "|" ";" parts "${rule}")
  list(POP_FRONT parts folder)
  string(REPLACE "," ";" allowed "${parts}")
  file(GLOB_RECURSE sources RELATIVE ${KVX_SOURCE_DIR}
    ${KVX_SOURCE_DIR}/${folder}/*.h ${KVX_SOURCE_DIR}/${folder}/*.cpp)
  foreach(source ${sources})
    set(permitted ${allowed})
    foreach(override ${kvx_overrides})
      string(REPLACE "|" ";" parts "${override}")
      list(POP_FRONT parts file)
      if(source STREQUAL file)
        string(REPLACE "," ";" permitted "${parts}")
      endif()
    endforeach()
    file(STRINGS ${KVX_SOURCE_DIR}/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" header "${line}")
      if(NOT header MATCHES "/")
        continue()
      endif()
      set(ok FALSE)
      foreach(prefix ${permitted})
        string(LENGTH "${prefix}" length)
        string(SUBSTRING "${header}" 0 ${length} start)
        if(start STREQUAL prefix)
          set(ok TRUE)
          break()
        endif()
      endforeach()
      if(NOT ok)
        list(APPEND violations "${source} includes \"${header}\"")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "Includes against the layer order:\n  ${text}")
endif()
message(STATUS "Layer order kept")
