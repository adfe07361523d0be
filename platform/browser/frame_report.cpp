#include <emscripten.h>

#include "platform/compositor.h"

EM_JS(void, lumo_report_frame, (double count), {
    if (!Module.lumoFirstFrameAt) Module.lumoFirstFrameAt = performance.now();
    Module.lumoFramesPresented = count;
});

namespace lumo {

void host_frame_presented(long frames_presented) { lumo_report_frame(static_cast<double>(frames_presented)); }

}  // namespace lumo
