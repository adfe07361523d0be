# Writes the site's service worker from its template: the files it keeps and
# a version hashed from their contents (and the template's), so any change to
# the site gives a new cache name and browsers replace their copy.
#
#   cmake -DSITE=folder -DFILES=a,b/c,... -DTEMPLATE=sw.js.in -DOUTPUT=sw.js -P service_worker.cmake
#
# FILES are paths inside SITE, separated by commas.
string(REPLACE "," ";" files "${FILES}")
file(SHA256 ${TEMPLATE} digests)
foreach(file IN LISTS files)
  if(NOT EXISTS ${SITE}/${file})
    message(FATAL_ERROR "The site has no ${file}")
  endif()
  file(SHA256 ${SITE}/${file} digest)
  string(APPEND digests " ${file} ${digest}")
endforeach()
string(SHA256 version "${digests}")
string(SUBSTRING ${version} 0 16 LUMO_SITE_VERSION)
list(TRANSFORM files PREPEND "'")
list(TRANSFORM files APPEND "'")
list(JOIN files ",\n  " LUMO_SITE_FILES)
# Rewritten only when it changes.
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
