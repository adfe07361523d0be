# Writes the site's page.js from web/page.js with what a first visit
# downloads before its first frame (lumo.js and lumo.wasm), in bytes: the
# full width of the progress bar, where a host sends no sizes or compressed
# ones.
#
#   cmake -DSITE=folder -DTEMPLATE=page.js -DOUTPUT=folder/page.js -P page_script.cmake
set(LUMO_DOWNLOAD_BYTES 0)
foreach(file lumo.js lumo.wasm)
  file(SIZE ${SITE}/${file} size)
  math(EXPR LUMO_DOWNLOAD_BYTES "${LUMO_DOWNLOAD_BYTES} + ${size}")
endforeach()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
