#pragma once
// How much larger than its design size (for a 320 x 480 point view and a
// mouse) the interface is drawn: fingers need bigger targets than a mouse.

namespace lumo {

float host_interface_scale();

}  // namespace lumo
