# Window, context, compositor, run loop, touches, Dear ImGui, resources.
add_library(lumo_platform STATIC
  ${CMAKE_CURRENT_LIST_DIR}/gl_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/eagl_context.cpp
  ${CMAKE_CURRENT_LIST_DIR}/compositor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_loop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/touch_router.cpp
  ${CMAKE_CURRENT_LIST_DIR}/imgui_layer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/resources.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log.cpp
  ${CMAKE_CURRENT_LIST_DIR}/accelerometer.cpp
)
target_include_directories(lumo_platform PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_definitions(lumo_platform PRIVATE LUMO_SOURCE_DIR="${PROJECT_SOURCE_DIR}" LUMO_BINARY_DIR="${PROJECT_BINARY_DIR}")
target_link_libraries(lumo_platform PUBLIC lumo_picture PkgConfig::SDL2 PkgConfig::SDL2_IMAGE PkgConfig::EPOXY
                      PkgConfig::IMGUI OpenGL::OpenGL)
