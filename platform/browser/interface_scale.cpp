#include <emscripten.h>

#include "platform/interface_scale.h"

EM_JS(int, lumo_pointer_is_coarse, (), {
    return window.matchMedia && window.matchMedia('(pointer: coarse)').matches ? 1 : 0;
});

namespace lumo {

// Under fingers every control is at least 44 CSS pixels tall: the interface's
// smallest control (a checkbox, 29 points) grows by 44 / 29.
float host_interface_scale() { return lumo_pointer_is_coarse() ? 44.0f / 29.0f : 1.0f; }

}  // namespace lumo
