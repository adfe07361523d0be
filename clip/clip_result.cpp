#include "clip/clip_request.h"

namespace lumo {

std::string ClipResult::message() const {
    if (!saved()) return "Could not save the clip: " + error;
    std::string text = "Saved";
    for (std::size_t i = 0; i < files.size(); ++i) text += (i == 0 ? " " : " and ") + files[i].filename().string();
    return text;
}

}  // namespace lumo
