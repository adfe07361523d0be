// Pictures prepared on the picture worker, taken into the view between frames.

#include "render/eagl_view.h"

namespace lumo {

void EAGLView::prepare_picture(const std::filesystem::path& path) {
    PictureRequest request;
    request.path = path;
    picture_jobs_->submit(std::move(request));
}

bool EAGLView::take_prepared_picture(std::string* failure, std::filesystem::path* taken) {
    std::optional<PreparedPicture> prepared = picture_jobs_->take();
    if (!prepared) return false;
    if (!prepared->ok()) {
        // The error names the file already.
        if (failure) *failure = prepared->error;
        return false;
    }
    if (taken) *taken = prepared->path;
    will_change(ViewChange::picture);
    texture = std::move(prepared->texture);
    load_texture();
    return true;
}

}  // namespace lumo
