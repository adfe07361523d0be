#pragma once
// The least scale of the interface over its design size (for a 320 x 480
// point view and a mouse): fingers need bigger targets than a mouse.

namespace lumo {

float host_interface_scale();

}  // namespace lumo
