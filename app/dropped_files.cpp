// Files dropped on the page in the browser: the host reads them (and decodes
// pictures) itself and hands them over between frames. They do what a file
// dropped on the desktop window does; on the desktop SDL reports drops as
// paths instead and nothing arrives here.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/application.h"
#include "app/file_kind.h"
#include "picture/picture.h"
#include "picture/picture_prepare.h"
#include "platform/host.h"
#include "platform/log.h"
#include "ui/control_panel.h"
#include "shape/shape_file.h"

namespace lumo {

void Application::allow_dropped_files() {
    host_set_drop_limits(ChooserLimits{kMaxPictureSide, kTextureSide, kMaxShapeFileBytes});
}

void Application::receive_dropped_files() {
    for (ArrivingFile file = host_take_dropped_file(); file.kind != ArrivingFile::Kind::none;
         file = host_take_dropped_file()) {
        view().setNeedsDisplay();
        const std::string name = std::filesystem::path(file.name).filename().string();
        const std::string shown = name.empty() ? "the dropped file" : name;
        interface_->panel()->make_way_for_drop();  // as a drop on the desktop window
        switch (file.kind) {
            case ArrivingFile::Kind::picture: {
                Picture picture = picture_from_straight_rgba(file.width, file.height, file.bytes);
                if (picture.empty()) {
                    interface_->panel()->report_cannot_open(shown + ": the picture could not be opened");
                    break;
                }
                view().load_texture(std::make_shared<const Picture>(std::move(picture)));
                break;
            }
            case ArrivingFile::Kind::file: {
                // A shape file takes the path a desktop drop takes, from the
                // host's copy (read beside the frames); anything else is tried
                // as a picture.
                if (is_shape_file(file.path)) {
                    open_file(file.path);
                    break;
                }
                std::string error;
                std::optional<Picture> picture =
                    load_picture_file_reduced(file.path, DecodeTarget{DecodeTarget::Kind::fit, kTextureSide}, &error);
                if (!picture) {
                    interface_->panel()->report_cannot_open(error);  // it names the file
                    break;
                }
                view().load_texture(std::make_shared<const Picture>(std::move(*picture)));
                break;
            }
            case ArrivingFile::Kind::too_large:
                interface_->panel()->report_cannot_open(
                    shown + ": " +
                    (file.width > 0 ? picture_too_large_message(file.width, file.height)
                                    : std::string("the file is larger than a shape file can be")));
                break;
            default:
                interface_->panel()->report_cannot_open(shown + ": not a picture or shape file lumo can read");
                break;
        }
    }
}

}  // namespace lumo
