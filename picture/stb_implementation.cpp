// The browser build compiles stb's resizer and PNG writer itself: on the
// desktop they come from Debian's libstb, built from the same sources.
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include <stb_image_resize.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
