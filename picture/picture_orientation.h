#pragma once
// Turning a picture upright by its Exif orientation: cameras store the sensor's
// rows as they come and record how the camera was held.

#include "picture/picture.h"

namespace lumo {

// orientation 1 to 8 as Exif numbers them; anything else returns the picture
// unchanged. 5 to 8 swap width and height.
Picture upright_picture(const Picture& stored, int orientation);

}  // namespace lumo
