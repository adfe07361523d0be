#include "app/lumo_app_delegate.h"

#include "files/app_paths.h"
#include "picture/picture_prepare.h"
#include "platform/log.h"
#include "platform/host.h"
#include "render/eagl_view.h"
#include "ui/lumo_view_controller.h"
#include "ui/shape_file.h"

namespace lumo {

namespace {
constexpr double kInactiveFrameInterval = 0.2;
constexpr double kAccelerometerInterval = 1.0 / 30.0;
constexpr double kNewSampleWeight = 0.1;  // first-order low-pass filter
constexpr double kHistoryWeight = 0.9;
// A shape file's picture larger than this on a side is shrunk as it is decoded.
constexpr int kShapePictureSide = 2048;
}  // namespace

lumoAppDelegate::lumoAppDelegate(std::filesystem::path home, UIAccelerometer* shared_accelerometer)
    : home_(std::move(home)), accelerometer_(shared_accelerometer) {}

void lumoAppDelegate::applicationDidFinishLaunching() {
    accelerometer_->setUpdateInterval(kAccelerometerInterval);
    accelerometer_->setDelegate(this);
    glView = _viewcontroller->view();
    // The view is the window's content from the start: nothing to add.
    glView->setAnimationInterval(kFrameInterval);
    glView->startAnimation();
    glView->set_vertices();
}

void lumoAppDelegate::accelerometer_didAccelerate(UIAccelerometer* /*accelerometer*/, const Acceleration& sample) {
    if (glView == nullptr) return;
    glView->setAccel0(sample.x * kNewSampleWeight + glView->getAccel0() * kHistoryWeight);
    glView->setAccel1(sample.y * kNewSampleWeight + glView->getAccel1() * kHistoryWeight);
    glView->setAccel2(sample.z * kNewSampleWeight + glView->getAccel2() * kHistoryWeight);
}

void lumoAppDelegate::applicationWillResignActive() {
    if (glView != nullptr) glView->setAnimationInterval(kInactiveFrameInterval);
}

void lumoAppDelegate::applicationDidBecomeActive() {
    if (glView != nullptr) glView->setAnimationInterval(kFrameInterval);
}

std::filesystem::path lumoAppDelegate::documentsFolder() const { return documents_folder(home_); }

void lumoAppDelegate::show_alert(const char* title, const char* message, std::string detail) {
    alert_ = std::make_unique<AlertView>(title, message, "OK");
    alert_->setDetail(std::move(detail));
    alert_->show();
}

// The rest shape, not the current surface: a shape pressed by fingers or
// sculpted and not yet fixed is not what gets saved.
void lumoAppDelegate::saveShapeAndImage() {
    const std::string stem = current_shape_file_stem();
    const std::filesystem::path path = shape_file_path(documentsFolder(), stem);
    std::string error;
    bool saved = ensure_documents_folder(home_, &error);
    if (saved) {
        remove_stale_shape_temporaries(documentsFolder());
        const std::vector<float> positions = glView->trans()->getInitSurfacePosition();
        const std::vector<uint8_t> png = glView->texture ? encode_png(*glView->texture) : std::vector<uint8_t>();
        saved = write_shape_file(path, positions, png, &error);
    }
    if (!saved) {
        log_line("lumo: save failed: %s", error.c_str());
        show_alert("save failed", "Shape and Texutre have NOT been saved", error);
        return;
    }
    // "saved" only once the file is kept: the browser stores it later, and a
    // file it could not store is taken back, so the list shows what is kept.
    host_persist_files([this, path](bool stored, const std::string& note) {
        if (stored) {
            show_alert("saved", "Shape and Texutre have been saved",
                       note.empty() ? path.string() : note + ": " + path.filename().string());
            return;
        }
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        log_line("lumo: save failed: %s", note.c_str());
        show_alert("save failed", "Shape and Texutre have NOT been saved", note);
    });
}

bool lumoAppDelegate::loadShapeAndImage(const std::string& stem) {
    if (!is_valid_stem(stem)) {
        log_line("lumo: not a shape file name: \"%s\"", stem.c_str());
        return false;
    }
    return loadShapeAndImageAtPath(shape_file_path(documentsFolder(), stem));
}

// The picture is taken before the positions are looked at, as the file
// format has always been read: a file with a good picture and bad positions
// changes the picture only. A file that cannot be read at all, or whose
// picture is too large to take, changes nothing.
bool lumoAppDelegate::loadShapeAndImageAtPath(const std::filesystem::path& path, std::string* problem) {
    std::string error;
    const auto refuse = [&](const std::string& why) {
        if (problem) *problem = why;
        return false;
    };
    const std::optional<ShapeFileContents> contents = read_shape_file(path, &error);
    if (!contents) {
        log_line("lumo: cannot load %s: %s", path.c_str(), error.c_str());
        return refuse(error);
    }
    std::shared_ptr<const Picture> picture;
    if (contents->image) {
        PictureError kind = PictureError::none;
        // Shown stretched over the dome as stored, so only shrunk (keeping
        // its aspect) when larger than kShapePictureSide.
        std::optional<Picture> decoded = decode_picture_reduced(
            *contents->image, DecodeTarget{DecodeTarget::Kind::bound, kShapePictureSide}, &error, &kind);
        if (kind == PictureError::too_large) {
            log_line("lumo: cannot load %s: %s", path.c_str(), error.c_str());
            return refuse(error);
        }
        if (decoded) picture = std::make_shared<const Picture>(std::move(*decoded));
        else log_line("lumo: %s: its picture does not decode: %s", path.c_str(), error.c_str());
    }
    glView->setTexture(std::move(picture));
    const std::vector<float> none;
    const bool taken = glView->trans()->setInitSurfacePositionBy(contents->positions ? *contents->positions : none);
    if (!taken) {
        log_line("lumo: %s: its shape is not 7500 finite numbers; the surface is unchanged", path.c_str());
        return refuse(path.filename().string() + ": its shape is not 7500 finite numbers; the surface is unchanged");
    }
    return taken;
}

}  // namespace lumo
