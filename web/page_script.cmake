# Writes the site's page.js from web/page.js with what a first visit
# downloads before its first frame (lumo.js and lumo.wasm), in bytes: the
# full width of the progress bar, where a host sends no sizes or compressed
# ones. Lines that hold only a comment are left out: they are for the
# source's readers, not for the wire.
#
#   cmake -DSITE=folder -DTEMPLATE=page.js -DOUTPUT=folder/page.js -P page_script.cmake
set(LUMO_DOWNLOAD_BYTES 0)
foreach(file lumo.js lumo.wasm)
  file(SIZE ${SITE}/${file} size)
  math(EXPR LUMO_DOWNLOAD_BYTES "${LUMO_DOWNLOAD_BYTES} + ${size}")
endforeach()
file(READ ${TEMPLATE} text)
string(REGEX REPLACE "\n[ ]*//[^\n]*" "" text "\n${text}")
string(SUBSTRING "${text}" 1 -1 text)
string(CONFIGURE "${text}" text @ONLY)
set(old "")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
endif()
if(NOT old STREQUAL text)
  file(WRITE ${OUTPUT} "${text}")
endif()
