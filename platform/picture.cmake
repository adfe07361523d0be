# Pictures: decoding, fitting into the texture square, PNG encoding.
add_library(lumo_picture STATIC
  ${CMAKE_CURRENT_LIST_DIR}/picture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_header.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_orientation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_fit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_png.cpp
)
target_include_directories(lumo_picture PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(lumo_picture PUBLIC PkgConfig::SDL2 PkgConfig::SDL2_IMAGE PkgConfig::STB)
