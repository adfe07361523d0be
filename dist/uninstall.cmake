# Removes what an install wrote, as listed in its manifest:
#   cmake -DMANIFEST=<build>/install_manifest.txt -P uninstall.cmake
# (`make uninstall` does this). The manifest names the files without DESTDIR:
# give the same DESTDIR as for the install.
# Then brings the desktop's caches up to date again (refresh-caches.cmake).
if(NOT MANIFEST)
  message(FATAL_ERROR "uninstall.cmake: MANIFEST is not set")
endif()
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "${MANIFEST} does not exist: nothing was installed from this build")
endif()

file(STRINGS "${MANIFEST}" installed)
set(LUMO_DATA "")
set(own_folders)
foreach(listed IN LISTS installed)
  set(file "$ENV{DESTDIR}${listed}")
  if(IS_SYMLINK "${file}" OR EXISTS "${file}")
    file(REMOVE "${file}")
    message(STATUS "Removed ${file}")
  else()
    message(STATUS "Already gone: ${file}")
  endif()
  if(file MATCHES "^(.*)/applications/lumo\\.desktop$")
    set(LUMO_DATA "${CMAKE_MATCH_1}")
  endif()
  get_filename_component(folder "${file}" DIRECTORY)
  if(folder MATCHES "/lumo$")
    list(APPEND own_folders "${folder}")
  endif()
endforeach()

# lumo's own folder (share/lumo) goes too once it is empty.
list(REMOVE_DUPLICATES own_folders)
foreach(folder IN LISTS own_folders)
  file(GLOB left "${folder}/*")
  if(IS_DIRECTORY "${folder}" AND NOT left)
    file(REMOVE_RECURSE "${folder}")
    message(STATUS "Removed ${folder}")
  endif()
endforeach()

if(LUMO_DATA)
  include(${CMAKE_CURRENT_LIST_DIR}/refresh-caches.cmake)
endif()
