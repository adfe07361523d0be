#pragma once
// The picture browser's preview as a GL texture of its own. The picker calls
// these through ImagePickerController::setPreviewTextureHooks, so that the
// widgets themselves draw without GL in tests.

#include <imgui.h>

#include "picture/picture.h"

namespace lumo {

// Needs the interface's GL context current; leaves the texture binding as it was.
ImTextureID create_preview_texture(const Picture& picture);
void destroy_preview_texture(ImTextureID id);

}  // namespace lumo
