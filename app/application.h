#pragma once
// The application object: the window, the run loop and the event pump, the
// interface built over them, and the headless and scripted ways of running.

#include <SDL.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/file_commands.h"
#include "app/clip_recording.h"
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
    // With a display, until the window is closed. The host's main loop
    // owns the application: in the browser it lives on after run() returns.
    static int run(std::unique_ptr<Application> app);
    // The application run() is running, if any (the browser's test hooks).
    static Application* running() { return running_; }
    int run_headless();  // --frames intervals on the virtual clock, with screenshots
    void run_once() { run_loop_.runOnce(); }
    // Turns of the run loop until its clock has moved on by `seconds`.
    void run_for(double seconds);
    void request_quit() { quit_ = true; }
    bool quit_requested() const { return quit_; }

    // Opens a shape file as a row of the list would, or starts preparing a
    // picture, which replaces the texture when ready (a picture that turns out
    // not to open is reported then, on stderr and in a notice). false when the
    // file cannot be opened, or is not there: a line on stderr, and a notice
    // that says why.
    bool open_file(const std::filesystem::path& path);
    // Headless runs wait for a picture being prepared before each frame, so
    // they repeat exactly; tests of the waiting itself turn that off.
    void set_waits_for_pictures(bool waits) { waits_for_pictures_ = waits; }
    // The same for work beside the frames (host_run_in_background).
    void set_waits_for_background(bool waits) { waits_for_background_ = waits; }

    RunLoop& run_loop() { return run_loop_; }
    GLWindow& window() { return *window_; }
    Compositor& compositor() { return compositor_; }
    ImGuiLayer& imgui() { return *imgui_; }
    MainInterface& ui() { return *interface_; }
    EAGLView& view() { return *interface_->view(); }
    lumoAppDelegate& delegate() { return *interface_->delegate(); }
    TiltSelector& tilt() { return *tilt_; }
    UIAccelerometer& accelerometer() { return *accelerometer_; }
    TouchRouter& touches() { return *touches_; }
    FileCommands& files() { return *files_; }
    ClipRecording& clip() { return *clip_; }
    long frames_drawn() const { return compositor_.frames_presented(); }
    bool active() const { return active_; }
    const std::filesystem::path& home() const { return home_; }

    // Pushes events as the script would (tests): a finger at view points.
    void push_finger(Uint32 type, int finger, float x, float y);
    void push_mouse(Uint32 type, float x, float y);
    void push_click(float x, float y);  // as push_mouse: moved there, pressed, released
    void push_key(SDL_Keycode key);  // pressed and let go before the next frame
    // One half of a key press, with modifiers (KMOD_CTRL ...): a key held across frames.
    void push_key_event(Uint32 type, SDL_Keycode key, Uint16 modifiers = KMOD_NONE);
    void push_text(const char* text);  // typed text, as SDL_TEXTINPUT
    void push_window_event(Uint8 window_event);
    void push_drop(const std::string& file);

private:
    explicit Application(const AppOptions& options);
    bool turn();
    void run_turn(double max_wait);
    void display(double now);
    void note_refresh(std::chrono::steady_clock::time_point started);
    void build_table_slice(TableBuilder& builder, std::chrono::steady_clock::time_point turn_started,
                           std::chrono::steady_clock::time_point now);
    void pump(double wait_seconds);
    void ui_tick();
    void settle_build();
    void handle_event(const SDL_Event& event);
    void handle_key(const SDL_KeyboardEvent& key);
    void note_window_place();
    void keep_window_place();
    void receive_picture();
    void allow_dropped_files();
    void receive_dropped_files();  // dropped_files.cpp
    void inject_script_events();
    void inject(const ScriptEvent& event);
    void take_due_screenshots();
    void clip_finished(const ClipResult& result);
    void finish_clip(std::chrono::milliseconds budget);
    bool write_screenshot(const std::string& path);

    AppOptions options_;
    std::filesystem::path home_;
    std::filesystem::path window_store_;  // where the window's place is kept; empty headless
    std::optional<DesktopRect> windowed_place_;
    std::unique_ptr<GLWindow> window_;
    RunLoop run_loop_;
    std::unique_ptr<ImGuiLayer> imgui_;
    Compositor compositor_{nullptr};
    std::unique_ptr<TiltSelector> tilt_;
    std::unique_ptr<UIAccelerometer> accelerometer_;
    std::unique_ptr<MainInterface> interface_;
    std::unique_ptr<TouchRouter> touches_;
    std::unique_ptr<FileCommands> files_;  // Open and Save As
    std::unique_ptr<ClipRecording> clip_;  // before the interface goes: its read-back is GL's
    bool clip_failed_ = false;  // a headless run's clip was not saved
    Timer ui_timer_;
    bool active_ = true;
    bool quit_ = false;
    std::vector<ScriptEvent> script_;
    size_t next_script_event_ = 0;
    std::vector<std::pair<int, std::string>> pending_screenshots_;
    bool screenshot_failed_ = false;
    bool waits_for_pictures_ = true;
    bool waits_for_background_ = true;
    bool script_mouse_held_ = false;  // SDL's own mouse state does not see pushed events
    static Application* running_;
    long frames_timed_ = 0;  // the last frame whose turn was measured
    double interval_reported_ = -1.0;
    bool table_build_timed_ = false;
    double next_display_ = 0;  // run-loop seconds: the next refresh the desktop draws at
    double table_slice_longest_ms_ = 0.0;
    double table_main_thread_ms_ = 0.0;
    bool table_farmed_ = false;
    int table_builds_reported_ = 0;
    bool whole_dome_reported_ = false;
    double refresh_seconds_ = 1.0 / 60.0;
    std::chrono::steady_clock::time_point last_turn_started_;
    std::chrono::steady_clock::time_point table_build_started_;
    EventPacer pacer_{[this](const SDL_Event& event) { handle_event(event); }};
};

}  // namespace lumo
