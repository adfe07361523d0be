# The modal widgets drawn with Dear ImGui: action sheets, alerts, the table
# list and the picture picker, with the folders the picker starts in.
add_library(lumo_widgets STATIC
  ${CMAKE_CURRENT_LIST_DIR}/action_sheet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/alert_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/table_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_picker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_browser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/modal_popup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tap_controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/widget_probe.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_folder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/user_folders.cpp
)
target_include_directories(lumo_widgets PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(lumo_widgets PUBLIC PkgConfig::IMGUI lumo_picture lumo_plist)
