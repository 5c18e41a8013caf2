# SPDX-License-Identifier: GPL-3.0-or-later
# The documents every Linux install carries, tovik's manual page, and the Debian package (CPack).
# Included by Install.cmake, whose install-time variables (KVX_INSTALL_*_DIR, kvx_packaging) the
# destinations below name, escaped.
#
#   <doc dir>/README.md, copyright (who holds what, under which licence, third parties included),
#   changelog.gz, LICENSE (not in the package: Debian keeps the GPL in /usr/share/common-licenses)
#   <man dir>/man1/tovik.1.gz   made with help2man from tovik's own help, so it cannot drift from it
set(kvx_debian_dir ${PROJECT_SOURCE_DIR}/packaging/debian)
set(kvx_docs_dir ${PROJECT_BINARY_DIR}/docs)

add_custom_command(OUTPUT ${kvx_docs_dir}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${kvx_docs_dir}
  # -n: no name or time stamp inside, so the package is the same from one build to the next.
  COMMAND gzip -9nc ${kvx_debian_dir}/changelog > ${kvx_docs_dir}/changelog.gz
  DEPENDS ${kvx_debian_dir}/changelog
  COMMENT "Compressing the changelog"
  VERBATIM)
set(kvx_doc_outputs ${kvx_docs_dir}/changelog.gz)

find_program(KVX_HELP2MAN help2man)
set(KVX_HAS_MANPAGE FALSE)
if(TARGET tovik AND KVX_HELP2MAN AND NOT KVX_SANITIZE)
  set(KVX_HAS_MANPAGE TRUE)
  # The page's date is the release's (the changelog's), not the build's, for the same reason as -n above.
  file(READ ${kvx_debian_dir}/changelog kvx_changelog)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${kvx_debian_dir}/changelog)
  string(REGEX MATCH "\n -- [^\n]*>  ([^\n]+)" kvx_match "${kvx_changelog}")
  execute_process(COMMAND date -d "${CMAKE_MATCH_1}" +%s OUTPUT_VARIABLE kvx_release_epoch
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  add_custom_command(OUTPUT ${kvx_docs_dir}/tovik.1.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${kvx_docs_dir}
    COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 "SOURCE_DATE_EPOCH=${kvx_release_epoch}"
      ${KVX_HELP2MAN} --no-info --no-discard-stderr --section=1 --source=Brellmoor
        --include=${kvx_debian_dir}/tovik.h2m --output=${kvx_docs_dir}/tovik.1 $<TARGET_FILE:tovik>
    COMMAND gzip -9nf ${kvx_docs_dir}/tovik.1
    DEPENDS tovik ${kvx_debian_dir}/tovik.h2m
    COMMENT "Writing tovik's manual page"
    VERBATIM)
  list(APPEND kvx_doc_outputs ${kvx_docs_dir}/tovik.1.gz)
elseif(TARGET tovik AND NOT KVX_SANITIZE)
  message(WARNING "help2man not found: no manual page for tovik (scripts/setup.sh installs it)")
endif()
add_custom_target(kvx_docs ALL DEPENDS ${kvx_doc_outputs})

install(FILES "${PROJECT_SOURCE_DIR}/README.md" "${kvx_debian_dir}/copyright" "${kvx_docs_dir}/changelog.gz"
  DESTINATION "\${KVX_INSTALL_DOC_DIR}")
if(KVX_HAS_MANPAGE)
  install(FILES "${kvx_docs_dir}/tovik.1.gz" DESTINATION "\${KVX_INSTALL_MAN_DIR}/man1")
endif()
install(CODE "set(kvx_license \"${PROJECT_SOURCE_DIR}/LICENSE\")
set(kvx_overrides \"${kvx_debian_dir}/lintian-overrides\")")
install(CODE [[
  if(kvx_packaging)
    file(INSTALL "${kvx_overrides}" DESTINATION "${CMAKE_INSTALL_PREFIX}/share/lintian/overrides"
      RENAME kvx-tovik)
  else()
    file(INSTALL "${kvx_license}" DESTINATION "${CMAKE_INSTALL_PREFIX}/${KVX_INSTALL_DOC_DIR}")
  endif()
]])

# The Debian package: every Linux format and tovik, in the system layout under /usr, stripped, with
# its dependencies computed from the binaries by dpkg-shlibdeps. `cpack` in a build folder makes it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kvx-tovik)
set(CPACK_PACKAGE_VENDOR "Brellmoor")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ten-band graphic equaliser plug-in with an OpenGL editor")
# Lines of at most 80 characters: Debian's tools show the description as it is written.
set(CPACK_PACKAGE_DESCRIPTION
  "KVX Tovik is a ten-band graphic equaliser (31 Hz to 16 kHz, +/-12 dB per band)
with an IN switch, a signal lamp and an OpenGL editor, as a Linux VST 2.4
plug-in, an LV2 bundle, a VST3 bundle and a CLAP plug-in. It comes with tovik,
a command-line host that inspects plug-ins, renders sound files through them
and measures their response.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Brellmoor <packages@brellmoor.example>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://brellmoor.example/kvx-tovik")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# CPack writes postinst and postrm scripts that run ldconfig whenever a shared object lies one folder
# below /usr/lib, as the plug-ins in /usr/lib/vst and /usr/lib/clap do; but plug-ins are not in the
# loader's search path, so the call is useless. Naming scripts of those names here turns that off, and
# CPack adds to the package only the files that exist: there are none, so it gets no scripts at all
# (cpack says so with a "missing file" warning for each).
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  "${PROJECT_BINARY_DIR}/no-maintainer-scripts/postinst" "${PROJECT_BINARY_DIR}/no-maintainer-scripts/postrm")
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build/" "/out/")
include(CPack)
