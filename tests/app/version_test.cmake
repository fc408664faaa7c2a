# The files that cannot take the version from the build say the build's version:
# the man page's title line, the metainfo's newest release and the changelog's newest entry.
foreach(pair "app/data/albumfetch.1|\"albumfetch ${VERSION}\""
             "app/data/net.albumfetch.albumfetch.metainfo.xml|<release version=\"${VERSION}\""
             "packaging/changelog|albumfetch (${VERSION})")
  string(REPLACE "|" ";" parts "${pair}")
  list(GET parts 0 file)
  list(GET parts 1 want)
  file(READ "${SOURCE}/${file}" text)
  string(FIND "${text}" "${want}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${file} does not say ${want}: bump it with the project's version")
  endif()
endforeach()
