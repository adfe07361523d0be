# Where the tilt comes from: the machine's accelerometer (IIO), a game
# controller's, or the arrow keys.
add_library(lumo_tilt STATIC
  ${CMAKE_CURRENT_LIST_DIR}/tilt_iio.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tilt_controller.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tilt_keyboard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tilt_keys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tilt_selector.cpp
)
target_include_directories(lumo_tilt PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(lumo_tilt PUBLIC PkgConfig::SDL2)
