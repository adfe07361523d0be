#pragma once
// The application delegate: launches the interface in a fixed order, smooths
// the accelerometer into the view's tilt values, slows the frame timer while
// the application is inactive, saves and loads shape files, and remembers
// the files opened and saved lately.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/change_history.h"
#include "files/recent_files.h"
#include "shape/loaded_shape.h"
#include "platform/host.h"
#include "shape/shape_file.h"
#include "tilt/accelerometer.h"
#include "widgets/alert_view.h"

namespace lumo {

class ControlPanel;
class EAGLView;
class GLWindow;
class lumo_view_controller;

class lumoAppDelegate : public UIAccelerometerDelegate {
public:
    // The documents folder lives in `home`, the recent files in
    // `state_folder` (none kept where it is empty); the shared accelerometer
    // is the platform's.
    lumoAppDelegate(std::filesystem::path home, std::filesystem::path state_folder,
                    UIAccelerometer* shared_accelerometer);
    ~lumoAppDelegate() override;
    lumoAppDelegate(const lumoAppDelegate&) = delete;
    lumoAppDelegate& operator=(const lumoAppDelegate&) = delete;

    void applicationDidFinishLaunching();
    void accelerometer_didAccelerate(UIAccelerometer* accelerometer, const Acceleration& sample) override;
    void applicationWillResignActive();
    void applicationDidBecomeActive();

    // Saves the rest shape and the current picture as "<date stamp>.lumo" and
    // says how it went in an alert: under its message, where the file went
    // or why it was not saved. The file is encoded beside the frames and
    // written once its bytes are back.
    void saveShapeAndImage();
    // Save As: the rest shape and the picture written to `path` (".lumo"
    // already on it), encoded beside the frames and reported as a save is.
    // With replace false a file already there is left alone: false, with
    // *problem saying so, and nothing written. A file that cannot be written
    // is reported later in the "save failed" alert.
    bool save_shape_to(const std::filesystem::path& path, bool replace, std::string* problem);
    // Opens a shape file, the one way every caller (the saved-file list, the
    // command line, drops) opens one: read, checked and its picture decoded
    // beside the frames (load_shape_file() on host_run_in_background), then,
    // between two frames, its picture and its rest shape replace the current
    // ones at once, and the table is built for it. A file that cannot be
    // taken changes nothing and says why in a notice, naming the file once;
    // one whose picture is unusable takes the shape, keeps the current
    // picture and says so. Only the newest file asked for is shown. false,
    // with the notice at once, when the path is no file to read.
    bool open_shape_file(const std::filesystem::path& path);
    // A row of the saved-file list: open_shape_file() in the documents folder.
    bool loadShapeAndImage(const std::string& stem);
    // The main thread's half of opening: shows what load_shape_file() read.
    void take_loaded_shape(LoadedShape shape, const std::string& name);
    // Undo and Redo: the rest shape and picture before the last action that
    // replaced them, or after the last one undone. false when there is none.
    bool undo();
    bool redo();
    const ChangeHistory& history() const { return history_; }

    // The files opened or saved lately that are still there, newest first.
    std::vector<std::filesystem::path> recent_files();
    // Puts a file opened or saved first among them (and keeps the list).
    void remember_file(const std::filesystem::path& path);
    // A picture file has become the dome's picture: its name in the window's
    // title, and first among the recent files.
    void picture_file_opened(const std::filesystem::path& path);

    // Where notices go (the control panel).
    void set_panel(ControlPanel* panel) { panel_ = panel; }

    std::filesystem::path documents() const;
    AlertView* alert() const { return alert_.get(); }

    // The shape file's keys, under the names the delegate has always used.
    static constexpr std::string_view kInitSurfacePosKey = kShapePositionsKey;
    static constexpr std::string_view kSurfaceImageKey = kShapeImageKey;
    GLWindow* window = nullptr;
    EAGLView* glView = nullptr;
    lumo_view_controller* _viewcontroller = nullptr;

private:
    void show_file_name(const std::string& name);
    void show_alert(const char* title, const char* message, std::string detail);
    // "saved", where the file went, and the way to its folder.
    void report_saved(const std::filesystem::path& path, const std::string& note);
    void save_failed(const std::string& why);
    void write_shape_to(const std::filesystem::path& path, bool replace, const std::vector<uint8_t>& bytes);
    void write_saved_file(const std::string& stem, const std::vector<uint8_t>& bytes);
    void cannot_open(const std::filesystem::path& path, const std::string& problem);
    // host_run_in_background(), forgotten if the delegate goes first.
    uint64_t run_in_background(BackgroundTask task, std::filesystem::path file, std::vector<uint8_t> input,
                               BackgroundDone done);

    std::filesystem::path home_;
    RecentFiles recent_;
    UIAccelerometer* accelerometer_;
    std::unique_ptr<AlertView> alert_;
    ControlPanel* panel_ = nullptr;
    uint64_t opening_ = 0;  // the shape file being read, if any
    std::vector<uint64_t> background_;  // tasks not yet answered
    ChangeHistory history_;
};

}  // namespace lumo
