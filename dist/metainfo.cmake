# Writes the AppStream metainfo from its template:
#   cmake -DIN=lumo.metainfo.xml.in -DOUT=lumo.metainfo.xml -DVERSION=0.1.0
#         -DRELEASE_DATE=YYYY-MM-DD [-DSCREENSHOT_URL=https://...] -P metainfo.cmake
# With no SCREENSHOT_URL the file names no screenshot: there is no public
# address to point at until the project is published somewhere.
foreach(var IN ITEMS IN OUT VERSION RELEASE_DATE)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "metainfo.cmake: ${var} is not set")
  endif()
endforeach()
if(DEFINED SCREENSHOT_URL AND NOT SCREENSHOT_URL STREQUAL "")
  if(NOT SCREENSHOT_URL MATCHES "^https://")
    message(FATAL_ERROR "metainfo.cmake: the screenshot's address must be https://, not ${SCREENSHOT_URL}")
  endif()
  string(REPLACE "&" "&amp;" url "${SCREENSHOT_URL}")
  set(LUMO_SCREENSHOTS
"  <screenshots>
    <screenshot type=\"default\">
      <caption>The dome pressed by two fingers, one of them dragging</caption>
      <image type=\"source\" width=\"320\" height=\"480\">${url}</image>
    </screenshot>
  </screenshots>")
else()
  set(LUMO_SCREENSHOTS "")
endif()
configure_file(${IN} ${OUT} @ONLY)
