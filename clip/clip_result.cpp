#include "clip/clip_request.h"

#include <algorithm>
#include <cctype>

namespace lumo {

std::optional<ClipKind> clip_kind_of(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".mp4") return ClipKind::video;
    if (extension == ".gif") return ClipKind::gif;
    return std::nullopt;
}

std::string ClipResult::message() const {
    if (!saved()) return "Could not save the clip: " + error;
    std::string text = kept == Kept::by_page ? "Recorded" : "Saved";
    for (std::size_t i = 0; i < files.size(); ++i) text += (i == 0 ? " " : " and ") + files[i].filename().string();
    return text;
}

}  // namespace lumo
