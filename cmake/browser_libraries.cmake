# The browser build's libraries, built from Debian's sources by
# scripts/build-web-deps into LUMO_WEB_PREFIX, under the same target names
# as the desktop's pkg-config ones, so that the libraries' CMakeLists.txt
# files stay the same for both hosts. WebGL comes with emscripten itself.
function(lumo_browser_library name)
  cmake_parse_arguments(ARG "" "" "LIBS;INCLUDES;OPTIONS" ${ARGN})
  add_library(${name} INTERFACE IMPORTED GLOBAL)
  list(TRANSFORM ARG_LIBS PREPEND ${LUMO_WEB_PREFIX}/lib/)
  list(TRANSFORM ARG_INCLUDES PREPEND ${LUMO_WEB_PREFIX}/include)
  set_target_properties(${name} PROPERTIES
    INTERFACE_LINK_LIBRARIES "${ARG_LIBS}"
    INTERFACE_INCLUDE_DIRECTORIES "${ARG_INCLUDES}"
    INTERFACE_COMPILE_OPTIONS "${ARG_OPTIONS}")
endfunction()

lumo_browser_library(PkgConfig::SDL2 LIBS libSDL2.a INCLUDES /SDL2)
lumo_browser_library(PkgConfig::SDL2_IMAGE LIBS libSDL2_image.a INCLUDES /SDL2)
lumo_browser_library(PkgConfig::IMGUI LIBS libimgui.a INCLUDES /imgui)
lumo_browser_library(PkgConfig::PLIST LIBS libplist-2.0.a INCLUDES /.)
# Debian's stb headers serve both builds; the library itself is compiled by
# picture/ for the browser.
add_library(PkgConfig::STB INTERFACE IMPORTED GLOBAL)
set_target_properties(PkgConfig::STB PROPERTIES INTERFACE_INCLUDE_DIRECTORIES /usr/include/stb)
# No libepoxy and no desktop OpenGL in the browser: platform/gl.h gives WebGL.
add_library(PkgConfig::EPOXY INTERFACE IMPORTED GLOBAL)
add_library(OpenGL::OpenGL INTERFACE IMPORTED GLOBAL)
add_library(OpenGL::GL INTERFACE IMPORTED GLOBAL)
