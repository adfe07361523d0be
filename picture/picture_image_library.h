#pragma once
// The one-time SDL2_image set-up shared by decoding and encoding.

namespace lumo {

// Initialises the decoders once, whichever thread asks first; SDL2_image's
// own lazy initialisation is not safe to race.
void ensure_image_library();

}  // namespace lumo
