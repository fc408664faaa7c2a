# Installs into a fresh prefix and runs the installed program from there.
set(prefix "${BUILD}/install-test")
file(REMOVE_RECURSE "${prefix}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" --prefix "${prefix}"
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed: ${rc}")
endif()
foreach(f bin/albumfetch share/applications/albumfetch.desktop
          share/metainfo/net.albumfetch.albumfetch.metainfo.xml
          share/icons/hicolor/scalable/apps/albumfetch.svg
          share/icons/hicolor/16x16/apps/albumfetch.png share/icons/hicolor/32x32/apps/albumfetch.png
          share/icons/hicolor/48x48/apps/albumfetch.png share/icons/hicolor/64x64/apps/albumfetch.png
          share/icons/hicolor/128x128/apps/albumfetch.png
          share/icons/hicolor/256x256/apps/albumfetch.png
          share/man/man1/albumfetch.1.gz share/bash-completion/completions/albumfetch
          share/doc/albumfetch/copyright share/doc/albumfetch/changelog.gz)
  if(NOT EXISTS "${prefix}/${f}")
    message(FATAL_ERROR "missing after install: ${f}")
  endif()
endforeach()
execute_process(COMMAND "${prefix}/bin/albumfetch" --version OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "albumfetch ${VERSION}\n")
  message(FATAL_ERROR "installed albumfetch --version said '${out}' (${rc})")
endif()
# The 48 pixel icon is what the icon theme needs at least; it must be that size.
file(READ "${prefix}/share/icons/hicolor/48x48/apps/albumfetch.png" png HEX LIMIT 24)
string(SUBSTRING "${png}" 32 16 size)
if(NOT size STREQUAL "0000003000000030")
  message(FATAL_ERROR "the 48x48 icon is not 48 x 48: ${size}")
endif()
find_program(VALIDATE desktop-file-validate)
if(VALIDATE)
  execute_process(COMMAND ${VALIDATE} "${prefix}/share/applications/albumfetch.desktop"
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "the desktop entry does not validate")
  endif()
endif()
# The installed tree as AppStream sees it: metainfo named after its id, entry and icon found.
find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  execute_process(COMMAND ${APPSTREAMCLI} validate-tree --no-net "${prefix}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "appstreamcli validate-tree fails on the installed tree")
  endif()
endif()
file(REMOVE_RECURSE "${prefix}")
# Installed by apt, the package brings a Chinese face and Qt's translations with it.
file(READ "${BUILD}/CPackConfig.cmake" cpack)
foreach(want "CPACK_DEBIAN_PACKAGE_DEPENDS \"[^\"]*fonts-noto-cjk \\| fonts-wqy-microhei"
             "CPACK_DEBIAN_PACKAGE_RECOMMENDS \"[^\"]*qt6-translations-l10n")
  if(NOT cpack MATCHES "${want}")
    message(FATAL_ERROR "the package does not declare: ${want}")
  endif()
endforeach()
message(STATUS "installed layout ok")
