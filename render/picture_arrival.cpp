// Pictures prepared on the picture worker, taken into the view between frames.

#include "render/eagl_view.h"

namespace lumo {

void EAGLView::prepare_picture(const std::filesystem::path& path) {
    PictureRequest request;
    request.path = path;
    picture_jobs_->submit(std::move(request));
}

bool EAGLView::take_prepared_picture(std::string* failure) {
    std::optional<PreparedPicture> prepared = picture_jobs_->take();
    if (!prepared) return false;
    if (!prepared->ok()) {
        if (failure) *failure = "cannot open " + prepared->path.string() + ": " + prepared->error;
        return false;
    }
    will_change(ViewChange::picture);
    texture = std::move(prepared->texture);
    load_texture();
    return true;
}

}  // namespace lumo
