# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a scratch folder as users would (for everyone under a /usr prefix, for one
# user into a home folder, both stripped), and makes and unpacks the Debian package there, for the
# install tests to inspect. Nothing outside the scratch folder changes: the build's own
# install_manifest.txt, which every install rewrites, is put back as it was.
#   cmake -DBINARY_DIR=<build> -DSTAGE=<scratch> -DCPACK_COMMAND=<cpack> -P stage.cmake
foreach(var BINARY_DIR STAGE CPACK_COMMAND)
  if(NOT ${var})
    message(FATAL_ERROR "stage.cmake: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}/home")
set(manifest "${BINARY_DIR}/install_manifest.txt")
if(EXISTS "${manifest}")
  file(COPY_FILE "${manifest}" "${STAGE}/install_manifest.saved")
endif()

set(failure "")
macro(stage_run what)
  if(NOT failure)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env "HOME=${STAGE}/home" ${ARGN}
      RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    file(APPEND "${STAGE}/stage.log" "== ${what}\n${output}\n")
    if(NOT result EQUAL 0)
      set(failure "${what} failed (${result}):\n${output}")
    endif()
  endif()
endmacro()

stage_run("system install" ${CMAKE_COMMAND} --install "${BINARY_DIR}" --prefix "${STAGE}/system/usr" --strip)
stage_run("user install" ${CMAKE_COMMAND} --install "${BINARY_DIR}" --prefix "${STAGE}/home" --strip)
stage_run("package" "${CPACK_COMMAND}" --config "${BINARY_DIR}/CPackConfig.cmake" -B "${STAGE}/package")
if(NOT failure)
  file(GLOB packages "${STAGE}/package/*.deb")
  list(LENGTH packages count)
  if(NOT count EQUAL 1)
    set(failure "cpack made ${count} packages: ${packages}")
  else()
    file(COPY_FILE "${packages}" "${STAGE}/kvx-tovik.deb")
    stage_run("unpack" dpkg-deb -x "${STAGE}/kvx-tovik.deb" "${STAGE}/deb-root")
  endif()
endif()
file(REMOVE_RECURSE "${STAGE}/package/_CPack_Packages")

if(EXISTS "${STAGE}/install_manifest.saved")
  file(RENAME "${STAGE}/install_manifest.saved" "${manifest}")
else()
  file(REMOVE "${manifest}")
endif()
if(failure)
  message(FATAL_ERROR "${failure}")
endif()
