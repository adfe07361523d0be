#pragma once
// Which keys tilt the hand-made device: the arrows step it, Home or 0 (main
// row or keypad) levels it.

#include <SDL.h>

#include "tilt/tilt_keyboard.h"

namespace lumo {

enum class TiltKey { none, left, right, forward, back, level };

TiltKey tilt_key_for(SDL_Keycode key);

// false for TiltKey::none.
bool apply_tilt_key(TiltKey key, KeyboardTilt* tilt);

}  // namespace lumo
