#include "app/lumo_app_delegate.h"

#include <algorithm>
#include <cmath>

#include "files/app_paths.h"
#include "files/file_io.h"
#include "picture/picture_prepare.h"
#include "platform/log.h"
#include "platform/gl_window.h"
#include "platform/host.h"
#include "render/eagl_view.h"
#include "shape/shape_names.h"
#include "shape/shape_tasks.h"
#include "ui/control_panel.h"
#include "ui/lumo_view_controller.h"

namespace lumo {

namespace {
constexpr double kInactiveFrameInterval = 0.2;
constexpr double kAccelerometerInterval = 1.0 / 30.0;
constexpr double kNewSampleWeight = 0.1;  // first-order low-pass filter
constexpr double kHistoryWeight = 0.9;
}  // namespace

namespace {
constexpr const char* kRecentFilesStore = "recent-files";
}  // namespace

lumoAppDelegate::lumoAppDelegate(std::filesystem::path home, std::filesystem::path state_folder,
                                 UIAccelerometer* shared_accelerometer)
    : home_(std::move(home)),
      recent_(state_folder.empty() ? std::filesystem::path() : state_folder / kRecentFilesStore),
      accelerometer_(shared_accelerometer) {}

std::vector<std::filesystem::path> lumoAppDelegate::recent_files() { return recent_.existing(); }

// A list that cannot be kept is no reason to bother the user: a line on stderr.
void lumoAppDelegate::remember_file(const std::filesystem::path& path) {
    std::string error;
    if (!recent_.add(path, &error)) log_line("lumo: the recent files are not kept: %s", error.c_str());
}

void lumoAppDelegate::picture_file_opened(const std::filesystem::path& path) {
    show_file_name(path.filename().string());
    remember_file(path);
}

// Work still under way answers no one.
lumoAppDelegate::~lumoAppDelegate() {
    for (uint64_t task : background_) host_forget_background(task);
}

void lumoAppDelegate::applicationDidFinishLaunching() {
    accelerometer_->setUpdateInterval(kAccelerometerInterval);
    accelerometer_->setDelegate(this);
    glView = _viewcontroller->view();
    // The view is the window's content from the start: nothing to add.
    glView->setAnimationInterval(kFrameInterval);
    glView->startAnimation();
    glView->set_vertices();
    glView->set_will_change(
        [this](ViewChange change) { history_.record(change, glView->trans()->rest_shape(), glView->picture()); });
}

void lumoAppDelegate::accelerometer_didAccelerate(UIAccelerometer* /*accelerometer*/, const Acceleration& sample) {
    if (glView == nullptr) return;
    glView->setAccel0(sample.x * kNewSampleWeight + glView->accel(0) * kHistoryWeight);
    glView->setAccel1(sample.y * kNewSampleWeight + glView->accel(1) * kHistoryWeight);
    glView->setAccel2(sample.z * kNewSampleWeight + glView->accel(2) * kHistoryWeight);
}

void lumoAppDelegate::applicationWillResignActive() {
    if (glView != nullptr) glView->setAnimationInterval(kInactiveFrameInterval);
}

void lumoAppDelegate::applicationDidBecomeActive() {
    if (glView != nullptr) glView->setAnimationInterval(kFrameInterval);
}

std::filesystem::path lumoAppDelegate::documents() const { return documents_folder(home_); }

// The window's title names the shape file last opened or saved.
void lumoAppDelegate::show_file_name(const std::string& name) {
    if (window != nullptr) window->set_title(name + " \u2014 lumo");
}

void lumoAppDelegate::show_alert(const char* title, const char* message, std::string detail) {
    alert_ = std::make_unique<AlertView>(title, message, "OK");
    alert_->setDetail(std::move(detail));
    alert_->show();
}

// The rest shape, not the current surface: a shape pressed by fingers or
// sculpted and not yet fixed is not what gets saved. The picture is encoded
// beside the frames; the file is written when its bytes come back.
void lumoAppDelegate::saveShapeAndImage() {
    const std::string stem = current_shape_file_stem();
    std::string error;
    const std::vector<float> positions = glView->trans()->getInitSurfacePosition();
    if (ensure_documents_folder(home_, &error)) {
        // The loader refuses a shape with a NaN or an infinity: such a file
        // could never be loaded again, so it is not written at all.
        if (!std::all_of(positions.begin(), positions.end(), [](float v) { return std::isfinite(v); })) {
            error = "the shape holds a value that is not a finite number";
        } else {
            std::vector<uint8_t> input = shape_to_encode(positions, glView->picture().get());
            run_in_background(&encode_shape_task, {}, std::move(input),
                              [this, stem](std::vector<uint8_t> bytes) { write_saved_file(stem, bytes); });
            return;
        }
    }
    save_failed(error);
}

void lumoAppDelegate::save_failed(const std::string& why) {
    log_line("lumo: save failed: %s", why.c_str());
    show_alert("save failed", "Shape and Texutre have NOT been saved", why);
}

// Under a name of its own (two saves in one second keep both).
void lumoAppDelegate::write_saved_file(const std::string& stem, const std::vector<uint8_t>& bytes) {
    std::string error = "cannot encode the shape file";
    std::optional<std::filesystem::path> saved;
    if (!bytes.empty()) saved = store_new_shape_file(documents(), stem, bytes, &error);
    if (!saved) {
        save_failed(error);
        return;
    }
    // "saved" only once the file is kept: the browser stores it later, and a
    // file it could not store is taken back, so the list shows what is kept.
    // The name was new, so taking it back touches no earlier save.
    host_persist_files([this, path = *saved](bool stored, const std::string& note) {
        if (stored) {
            report_saved(path, note);
            return;
        }
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        log_line("lumo: save failed: %s: %s", path.filename().c_str(), note.c_str());
        show_alert("save failed", "Shape and Texutre have NOT been saved",
                   "could not save " + path.filename().string() + ": " + note);
    });
}

void lumoAppDelegate::report_saved(const std::filesystem::path& path, const std::string& note) {
    show_alert("saved", "Shape and Texutre have been saved",
               note.empty() ? path.string() : note + ": " + path.filename().string());
    if (host_can_show_in_folder()) alert_->addAction("Show in folder", [path] { host_show_in_folder(path); });
    show_file_name(path.filename().string());
    remember_file(path);
}

// Checked now, encoded beside the frames, written when the bytes come back.
bool lumoAppDelegate::save_shape_to(const std::filesystem::path& path, bool replace, std::string* problem) {
    std::error_code code;
    const std::string name = path.filename().string();
    if (!replace && std::filesystem::exists(std::filesystem::symlink_status(path, code))) {
        *problem = name + " is there already: type another name";
        return false;
    }
    if (!std::filesystem::is_directory(path.parent_path(), code)) {
        *problem = "There is no folder " + path.parent_path().string();
        return false;
    }
    const std::vector<float> positions = glView->trans()->getInitSurfacePosition();
    if (!std::all_of(positions.begin(), positions.end(), [](float v) { return std::isfinite(v); })) {
        save_failed("the shape holds a value that is not a finite number");
        return false;
    }
    std::vector<uint8_t> input = shape_to_encode(positions, glView->picture().get());
    run_in_background(&encode_shape_task, {}, std::move(input),
                      [this, path, replace](std::vector<uint8_t> bytes) { write_shape_to(path, replace, bytes); });
    return true;
}

// Replacing: what the desktop's dialog asked the user about. Not replacing:
// the name is taken whole, or nothing is written (a file that came in the
// meantime stays).
void lumoAppDelegate::write_shape_to(const std::filesystem::path& path, bool replace,
                                     const std::vector<uint8_t>& bytes) {
    std::string error = "cannot encode the shape file";
    const std::string name = path.filename().string();
    const bool saved =
        !bytes.empty() && (replace ? write_file_atomically(path, bytes, &error)
                                   : write_new_file(
                                         path.parent_path(), [&name](int) { return name; }, 1, bytes, &error)
                                         .has_value());
    if (!saved) {
        save_failed(error);
        return;
    }
    host_persist_files([this, path](bool stored, const std::string& note) {
        if (stored) report_saved(path, note);
        else save_failed(path.filename().string() + ": " + note);
    });
}

bool lumoAppDelegate::undo() {
    std::optional<ViewState> state = history_.undo(glView->trans()->rest_shape(), glView->picture());
    if (state) glView->restore(*state->rest_shape, std::move(state->picture));
    return state.has_value();
}

bool lumoAppDelegate::redo() {
    std::optional<ViewState> state = history_.redo(glView->trans()->rest_shape(), glView->picture());
    if (state) glView->restore(*state->rest_shape, std::move(state->picture));
    return state.has_value();
}

bool lumoAppDelegate::loadShapeAndImage(const std::string& stem) {
    if (!is_valid_stem(stem)) {
        log_line("lumo: not a shape file name: \"%s\"", stem.c_str());
        return false;
    }
    return open_shape_file(shape_file_path(documents(), stem));
}

// Read, checked and its picture decoded beside the frames; shown between
// two frames once done. Only the newest file asked for is shown.
bool lumoAppDelegate::open_shape_file(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    if (std::string problem = shape_file_problem(path); !problem.empty()) {
        cannot_open(path, problem);
        return false;
    }
    if (opening_ != 0) {
        host_forget_background(opening_);
        std::erase(background_, opening_);
    }
    opening_ = run_in_background(&load_shape_task, path, {}, [this, path, name](std::vector<uint8_t> output) {
        opening_ = 0;
        std::string problem;
        std::optional<LoadedShape> shape = loaded_shape_from(output, &problem);
        if (!shape) {
            cannot_open(path, problem);
            return;
        }
        take_loaded_shape(std::move(*shape), name);
        show_file_name(name);
        remember_file(path);
    });
    return true;
}

void lumoAppDelegate::cannot_open(const std::filesystem::path& path, const std::string& problem) {
    log_line("lumo: cannot open %s: %s", path.c_str(), problem.c_str());
    if (panel_ != nullptr) panel_->report_cannot_open(path.filename().string() + ": " + problem);
}

uint64_t lumoAppDelegate::run_in_background(BackgroundTask task, std::filesystem::path file, std::vector<uint8_t> input,
                                            BackgroundDone done) {
    const auto id = std::make_shared<uint64_t>(0);
    *id = host_run_in_background(task, std::move(file), std::move(input),
                                 [this, id, done = std::move(done)](std::vector<uint8_t> output) {
                                     std::erase(background_, *id);
                                     done(std::move(output));
                                 });
    background_.push_back(*id);
    return *id;
}

// The picture and the rest shape in one change (the table build starts and
// edit mode ends): no frame runs in between.
void lumoAppDelegate::take_loaded_shape(LoadedShape shape, const std::string& name) {
    if (!shape.picture) {
        log_line("lumo: %s: %s; the current picture is kept", name.c_str(), shape.picture_problem.c_str());
        if (panel_ != nullptr)
            panel_->show_notice("Picture kept", name + ": " + shape.picture_problem +
                                                    ". The shape was opened; the current picture is kept.");
    }
    glView->take_shape(shape.positions, std::move(shape.picture));
}

}  // namespace lumo
