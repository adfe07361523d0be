#include "tilt/tilt_keys.h"

namespace lumo {

TiltKey tilt_key_for(SDL_Keycode key) {
    switch (key) {
        case SDLK_LEFT: return TiltKey::left;
        case SDLK_RIGHT: return TiltKey::right;
        case SDLK_UP: return TiltKey::forward;
        case SDLK_DOWN: return TiltKey::back;
        case SDLK_HOME:
        case SDLK_0:
        case SDLK_KP_0: return TiltKey::level;
        default: return TiltKey::none;
    }
}

bool apply_tilt_key(TiltKey key, KeyboardTilt* tilt) {
    switch (key) {
        case TiltKey::none: return false;
        case TiltKey::left: tilt->tilt(KeyTilt::left); return true;
        case TiltKey::right: tilt->tilt(KeyTilt::right); return true;
        case TiltKey::forward: tilt->tilt(KeyTilt::forward); return true;
        case TiltKey::back: tilt->tilt(KeyTilt::back); return true;
        case TiltKey::level: tilt->level(); return true;
    }
    return false;
}

}  // namespace lumo
