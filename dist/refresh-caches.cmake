# Brings the desktop's caches up to date after lumo's files came or went in
# the data folder LUMO_DATA (e.g. /usr/local/share), with the tools that own
# them: the MIME database, the desktop entries' MIME index, the icon cache.
# A tool that is not installed is skipped. Staged installs (DESTDIR) are left
# alone: a package's caches are its installer's business.
#
# Included by the install (LUMO_DATA unset: taken from the install prefix)
# and by uninstall.cmake.
if(NOT "$ENV{DESTDIR}" STREQUAL "")
  return()
endif()
if(NOT LUMO_DATA)
  set(LUMO_DATA "${CMAKE_INSTALL_PREFIX}/${LUMO_DATADIR_NAME}")
endif()

function(lumo_refresh tool)
  find_program(program ${tool} NO_CACHE)
  if(NOT program)
    message(STATUS "${tool} is not installed: not run")
    return()
  endif()
  message(STATUS "Running ${tool} ${ARGN}")
  execute_process(COMMAND ${program} ${ARGN} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(WARNING "${tool} ${ARGN} failed (${status})")
  endif()
endfunction()

if(IS_DIRECTORY "${LUMO_DATA}/mime/packages")
  lumo_refresh(update-mime-database "${LUMO_DATA}/mime")
endif()
if(IS_DIRECTORY "${LUMO_DATA}/applications")
  lumo_refresh(update-desktop-database -q "${LUMO_DATA}/applications")
endif()
if(IS_DIRECTORY "${LUMO_DATA}/icons/hicolor")
  lumo_refresh(gtk-update-icon-cache -q -t -f "${LUMO_DATA}/icons/hicolor")
endif()
