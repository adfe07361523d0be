// The browser build compiles stb's resizer itself: on the desktop it comes
// from Debian's libstb.
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include <stb_image_resize.h>
