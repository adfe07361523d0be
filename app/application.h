#pragma once
// The application object: the window, the run loop and the event pump, the
// interface built over them, and the headless and scripted ways of running.

#include <SDL.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/script.h"
#include "tilt/accelerometer.h"
#include "platform/compositor.h"
#include "platform/event_pacer.h"
#include "platform/gl_window.h"
#include "platform/imgui_layer.h"
#include "platform/run_loop.h"
#include "tilt/tilt_selector.h"
#include "platform/touch_router.h"
#include "ui/main_interface.h"

namespace lumo {

class Application {
public:
    // Null with *error set when there is no usable window or GL context, or
    // the script cannot be used; *bad_input then tells the latter (a mistake
    // on the command line, not a fault of the machine).
    static std::unique_ptr<Application> create(const AppOptions& options, std::string* error,
                                               bool* bad_input = nullptr);
    ~Application();

    // The first layout pass, the launch sequence, then the files named on
    // the command line.
    void launch();
    int run();           // with a display, until the window is closed
    int run_headless();  // --frames intervals on the virtual clock, with screenshots
    void runOnce() { run_loop_.runOnce(); }
    // Turns of the run loop until its clock has moved on by `seconds`.
    void runFor(double seconds);
    void requestQuit() { quit_ = true; }

    // Opens a shape file as a row of the list would, or a picture as the
    // picker would. false (with a line on stderr) when it cannot be opened.
    bool openFile(const std::filesystem::path& path);

    RunLoop& runLoop() { return run_loop_; }
    GLWindow& window() { return *window_; }
    Compositor& compositor() { return compositor_; }
    MainInterface& ui() { return *interface_; }
    EAGLView& view() { return *interface_->view(); }
    lumoAppDelegate& delegate() { return *interface_->delegate(); }
    TiltSelector& tilt() { return *tilt_; }
    UIAccelerometer& accelerometer() { return *accelerometer_; }
    TouchRouter& touches() { return *touches_; }
    long framesDrawn() const { return compositor_.framesPresented(); }
    bool active() const { return active_; }
    const std::filesystem::path& home() const { return home_; }

    // Pushes events as the script would (tests): a finger at view points.
    void pushFinger(Uint32 type, int finger, float x, float y);
    void pushMouse(Uint32 type, float x, float y);
    void pushKey(SDL_Keycode key);
    void pushWindowEvent(Uint8 window_event);
    void pushDrop(const std::string& file);

private:
    explicit Application(const AppOptions& options);
    static void pump(void* self, double wait_seconds);
    static void dispatch(void* self, const SDL_Event& event);
    static void ui_tick(void* self);
    static void settle_build(void* self);
    static bool ui_captures(void* self, float x, float y);
    void handle_event(const SDL_Event& event);
    void handle_key(const SDL_KeyboardEvent& key);
    void inject_script_events();
    void inject(const ScriptEvent& event);
    void take_due_screenshots();
    bool write_screenshot(const std::string& path);

    AppOptions options_;
    std::filesystem::path home_;
    std::unique_ptr<GLWindow> window_;
    RunLoop run_loop_;
    std::unique_ptr<ImGuiLayer> imgui_;
    Compositor compositor_{nullptr};
    std::unique_ptr<TiltSelector> tilt_;
    std::unique_ptr<UIAccelerometer> accelerometer_;
    std::unique_ptr<MainInterface> interface_;
    std::unique_ptr<TouchRouter> touches_;
    Timer ui_timer_;
    bool active_ = true;
    bool quit_ = false;
    std::vector<ScriptEvent> script_;
    size_t next_script_event_ = 0;
    std::vector<std::pair<int, std::string>> pending_screenshots_;
    bool screenshot_failed_ = false;
    bool script_mouse_held_ = false;  // SDL's own mouse state does not see pushed events
    EventPacer pacer_{&Application::dispatch, this};
};

}  // namespace lumo
