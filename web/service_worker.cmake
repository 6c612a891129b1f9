# Writes the site's service worker (site/sw.js.in) for this build: the list
# of the site's files to keep offline, and the name of their copy, made from
# a hash of their contents so that a new build's worker replaces the old
# copy and an unchanged build keeps it.
#   cmake -DSITE=dir -DFILES=file.txt -DTEMPLATE=sw.js.in -DOUTPUT=sw.js -P service_worker.cmake
# FILES lists the site's files, one a line, relative to SITE.
file(STRINGS ${FILES} files)
set(digests "")
set(quoted "")
foreach(file IN LISTS files)
  file(SHA256 ${SITE}/${file} digest)
  string(APPEND digests "${digest} ${file}\n")
  list(APPEND quoted "'${file}'")
endforeach()
string(SHA256 build "${digests}")
string(SUBSTRING ${build} 0 16 SITE_BUILD)
list(JOIN quoted ",\n  " SITE_FILES)
set(SITE_FILES "\n  ${SITE_FILES},\n")
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
