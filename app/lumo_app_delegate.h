#pragma once
// The application delegate: launches the interface in a fixed order, smooths
// the accelerometer into the view's tilt values, slows the frame timer while
// the application is inactive, and saves and loads shape files.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "tilt/accelerometer.h"
#include "ui/shape_file.h"
#include "widgets/alert_view.h"

namespace lumo {

class EAGLView;
class GLWindow;
class lumo_view_controller;

class lumoAppDelegate : public UIAccelerometerDelegate {
public:
    // The documents folder lives in `home`; the shared accelerometer is the platform's.
    lumoAppDelegate(std::filesystem::path home, UIAccelerometer* shared_accelerometer);

    void applicationDidFinishLaunching();
    void accelerometer_didAccelerate(UIAccelerometer* accelerometer, const Acceleration& sample) override;
    void applicationWillResignActive();
    void applicationDidBecomeActive();

    // Saves the rest shape and the current picture as "<date stamp>.lumo" and
    // says how it went in an alert: under its message, where the file went
    // or why it was not saved.
    void saveShapeAndImage();
    // true when the file's positions were taken into the current surface.
    bool loadShapeAndImage(const std::string& stem);
    // *problem (when given) says in words why the file was not taken whole.
    bool loadShapeAndImageAtPath(const std::filesystem::path& path, std::string* problem = nullptr);

    std::filesystem::path documentsFolder() const;
    AlertView* alert() const { return alert_.get(); }

    // The shape file's keys, under the names the delegate has always used.
    static constexpr std::string_view kInitSurfacePosKey = kShapePositionsKey;
    static constexpr std::string_view kSurfaceImageKey = kShapeImageKey;
    GLWindow* window = nullptr;
    EAGLView* glView = nullptr;
    lumo_view_controller* _viewcontroller = nullptr;

private:
    void show_alert(const char* title, const char* message, std::string detail);

    std::filesystem::path home_;
    UIAccelerometer* accelerometer_;
    std::unique_ptr<AlertView> alert_;
};

}  // namespace lumo
