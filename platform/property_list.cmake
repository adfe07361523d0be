# Property lists (libplist, guarded), whole-file input and atomic output, and
# the application's folders.
add_library(lumo_plist STATIC
  ${CMAKE_CURRENT_LIST_DIR}/property_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/property_list_guard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_io.cpp
  ${CMAKE_CURRENT_LIST_DIR}/app_paths.cpp
)
target_include_directories(lumo_plist PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(lumo_plist PUBLIC PkgConfig::PLIST)
