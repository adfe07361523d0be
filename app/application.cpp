#include "app/application.h"

#include <algorithm>
#include <chrono>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include "app/file_kind.h"
#include "app/start_up.h"
#include "files/app_paths.h"
#include "files/window_state.h"
#include "ui/panel_layout.h"
#include "files/file_io.h"
#include "picture/picture.h"
#include "platform/log.h"
#include "platform/host.h"
#include "platform/startup_trace.h"
#include "tilt/tilt_device_motion.h"
#include "shape/shape_file.h"
#include "shape/shape_names.h"
#include "widgets/preview_texture.h"

namespace lumo {

namespace {

constexpr double kInterfaceInterval = 1.0 / 30.0;  // recomposes the interface while no frames come
constexpr SDL_TouchID kScriptTouchDevice = 77;
// Building the table between frames: each turn builds for what is left of
// its display frame, less room for the browser to composite, and at least this.
constexpr double kLeastTableSlice = 0.002;
constexpr double kCompositingRoom = 0.004;
// Quitting waits this long at most for a clip's files.
constexpr std::chrono::milliseconds kQuitClipBudget{2000};

// A window coordinate as SDL's integer events carry it. Scripts keep their
// positions far inside int's range; the clamp makes the conversion defined
// whatever a caller passes.
int window_coordinate(int origin, float points) {
    constexpr double kLimit = std::numeric_limits<int>::max() / 2;
    const double x = std::isnan(points) ? 0.0 : std::clamp(static_cast<double>(points), -kLimit, kLimit);
    return origin + static_cast<int>(x);
}
}  // namespace

Application::Application(const AppOptions& options)
    : options_(options), run_loop_(options.headless ? RunLoop::ClockKind::virtual_time : RunLoop::ClockKind::real) {}

std::unique_ptr<Application> Application::create(const AppOptions& options, std::string* error, bool* bad_input) {
    if (bad_input) *bad_input = false;
    std::unique_ptr<Application> app(new Application(options));
    app->home_ = application_home_folder(options.home);
    if (app->home_.empty()) {
        *error = "no home folder: set HOME, LUMO_HOME or use --home DIR";
        return nullptr;
    }
    if (!options.script.empty()) {
        auto script = load_script(options.script, error);
        if (!script) {
            if (bad_input) *bad_input = true;
            return nullptr;
        }
        app->script_ = std::move(*script);
    }
    StartUp start_up(documents_folder(app->home_));  // runs while the window opens
    startup_mark("table build started");
    WindowOptions window_options;
    window_options.headless = options.headless;
    window_options.width = options.window_width;
    window_options.height = options.window_height;
    window_options.pixel_ratio = options.pixel_ratio;
    // Room beside the view for the panel, in a window chosen for the screen.
    window_options.side_room_per_scale = static_cast<int>(PanelMetrics::kMinWidth + 2 * PanelMetrics::kMargin);
    const std::filesystem::path state_folder = application_state_folder(options.home);
    if (!options.headless) {
        app->window_store_ = state_folder / "window";
        if (const std::optional<WindowState> kept = read_window_state(app->window_store_)) {
            window_options.place = DesktopRect{kept->x, kept->y, kept->width, kept->height};
            window_options.full_screen = kept->full_screen;
        }
    }
    bool too_large = false;
    app->window_ = GLWindow::create(window_options, error, &too_large);
    if (!app->window_) {
        if (bad_input) *bad_input = too_large;
        return nullptr;
    }

    app->imgui_ = std::make_unique<ImGuiLayer>(app->window_.get(), start_up.take_font_file());
    startup_mark("interface layer made");
    ImagePickerController::setPreviewTextureHooks(&create_preview_texture, &destroy_preview_texture);
    app->compositor_ = Compositor(app->window_.get());
    // Headless runs must not depend on the machine's sensors or controllers.
    // Controllers come after the first picture (launch).
    TiltSelector::Options tilt_options;
    tilt_options.use_iio = !options.headless;
    tilt_options.use_controllers = false;
    if (host_has_motion_events()) tilt_options.open_sensor = &open_device_motion;
    tilt_options.keyboard_likely = host_keyboard_likely();
    app->tilt_ = std::make_unique<TiltSelector>(tilt_options);
    startup_mark("tilt sources opened");
    app->accelerometer_ = std::make_unique<UIAccelerometer>(&app->run_loop_, app->tilt_.get());
    app->interface_ =
        MainInterface::load(app->window_.get(), &app->run_loop_, app->imgui_.get(), app->accelerometer_.get(),
                            app->tilt_.get(), app->home_, state_folder, start_up.take_view_contents());
    if (!app->interface_) {
        *error = "cannot make the drawing view's OpenGL context current";
        return nullptr;
    }
    startup_mark("view and interface made");
    EAGLView& view = app->view();
    view.eagl_context()->setPresenter(&app->compositor_);
    // A screen of its own is drawn at its refresh rate; a headless run draws
    // each step, so that its frames are the steps themselves.
    view.set_interpolated_display(!options.headless);
    app->compositor_.set_overlay(app->interface_->panel());
    app->touches_ = std::make_unique<TouchRouter>(app->window_.get(), &view);
    ControlPanel* panel = app->interface_->panel();
    Application* owner = app.get();
    const auto open = [owner](const std::filesystem::path& path) { return owner->open_file(path); };
    app->interface_->view_controller()->set_file_opener(open);
    // Headless runs (the tests) ask no desktop, unless a test asks for it.
    app->files_ = std::make_unique<FileCommands>(&app->delegate(), app->interface_->view_controller(), panel,
                                                 documents_folder(app->home_), open,
                                                 !options.headless || options.desktop_dialogs);
    ClipRecording::Options clip_options;
    clip_options.file = options.record;
    clip_options.never_drop = app->run_loop_.isVirtual();
    app->clip_ = std::make_unique<ClipRecording>(&app->run_loop_, &view, clip_options,
                                                 [owner](const ClipResult& result) { owner->clip_finished(result); });
    app->compositor_.set_frame_tap(app->clip_.get());
    panel->set_recording(app->clip_.get());
    panel->key_help().setAbout(about_text());
    panel->lay_out();
    app->touches_->set_capture_predicate([panel](float x, float y) { return panel->captures(x, y); });
    Application* self = app.get();
    app->run_loop_.setEventPump([self](double wait_seconds) { self->pump(wait_seconds); });
    if (options.headless) app->run_loop_.setBeforeVirtualTick([self] { self->settle_build(); });
    app->pending_screenshots_ = options.screenshots_at;
    return app;
}

Application::~Application() {
    // A save under way is written before the delegate goes.
    host_finish_background();
    keep_window_place();
    run_loop_.invalidate(ui_timer_);
    compositor_.set_frame_tap(nullptr);
    clip_.reset();
    touches_.reset();
    files_.reset();
    interface_.reset();  // the view, its context and its table build
    accelerometer_.reset();
    tilt_.reset();
    imgui_.reset();
    window_.reset();
}

void Application::launch() {
    view().layoutSubviews();
    startup_mark("picture uploaded");
    delegate().applicationDidFinishLaunching();
    startup_mark("timers started");
    // Files named on the command line before the first frame, and a picture
    // among them waited for: the window's first picture is the file's, with
    // no glimpse of the default one.
    for (const std::string& file : options_.files) open_file(file);
    if (view().preparing_picture()) {
        view().wait_for_prepared_picture();
        receive_picture();
        startup_mark("the file's picture uploaded");
    }
    // The first picture now rather than one interval later. Not on the virtual
    // clock: what it shows depends on how far the table build has got.
    if (!run_loop_.isVirtual()) {
        const bool whole_dome = view().trans()->initializing_index() < 0;
        view().render_frame();
        if (whole_dome && frames_drawn() > 0) {
            whole_dome_reported_ = true;
            host_report_metric("wholeDomeFrame", static_cast<double>(frames_drawn()));
        }
    }
    if (!options_.headless) tilt_->start_controllers();
    startup_mark("controllers started");
    note_window_place();
    ui_timer_ = run_loop_.scheduleRepeating(kInterfaceInterval, [this] { ui_tick(); });
    allow_dropped_files();
    // --record records the whole run, unless the script says when.
    const bool script_records = std::any_of(
        script_.begin(), script_.end(), [](const ScriptEvent& e) { return e.kind == ScriptEvent::Kind::record_start; });
    if (!options_.record.empty() && !script_records) clip_->start();
}

// A scripted or headless run advances without waiting for the table build to
// race the frames: each tick sees the build finished, so runs repeat exactly.
// The same for a picture being prepared and for work beside the frames (a
// shape file read or encoded): each arrives before the frame it is waited for.
void Application::settle_build() {
    view().trans()->wait_for_table_build();
    if (waits_for_background_) host_finish_background();
    if (waits_for_pictures_) {
        view().wait_for_prepared_picture();
        receive_picture();
        interface_->image_picker()->waitForPicture();  // its next draw takes it
    }
}

// Between frames: a prepared picture onto the dome, or why it could not be.
void Application::receive_picture() {
    std::string failure;
    std::filesystem::path taken;
    if (view().take_prepared_picture(&failure, &taken)) {
        if (!taken.empty()) delegate().picture_file_opened(taken);
        return;
    }
    if (failure.empty()) return;
    log_line("lumo: %s", failure.c_str());
    interface_->panel()->report_cannot_open(failure);
}

void Application::ui_tick() {
    if (!view().animating()) compositor_.recompose();
}

void Application::pump(double wait_seconds) {
    inject_script_events();
    pacer_.release(imgui_->frames(), run_loop_.now());
    SDL_Event event;
    bool have = wait_seconds > 0 ? SDL_WaitEventTimeout(&event, static_cast<int>(wait_seconds * 1000.0 + 0.5)) != 0
                                 : SDL_PollEvent(&event) != 0;
    while (have) {
        // Every event carries its own time, in milliseconds: SDL's, or on the
        // virtual clock the time it was put in the queue (now, as pushed
        // events are taken in the same turn). Taps are timed by these.
        if (run_loop_.isVirtual())
            event.common.timestamp = static_cast<Uint32>(run_loop_.nowTicks() / (kTicksPerSecond / 1000));
        pacer_.offer(event, imgui_->frames(), run_loop_.now());
        have = SDL_PollEvent(&event) != 0;
    }
    touches_->flush();
    host_deliver_background();
    clip_->poll();
    // An answer from the host shows (an alert, a chosen picture) even while
    // the dome rests and frames are skipped.
    if (host_take_answer_arrived()) view().setNeedsDisplay();
    // Key presses quicker than frames each wait for a frame of their own.
    if (imgui_->presses_waiting()) view().setNeedsDisplay();
    files_->poll();
    receive_picture();
    receive_dropped_files();
}

void Application::handle_event(const SDL_Event& event) {
    view().setNeedsDisplay();  // anything may answer an event on screen
    imgui_->process_event(event);
    switch (event.type) {
        case SDL_QUIT: quit_ = true; break;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_FOCUS_LOST:
                case SDL_WINDOWEVENT_MINIMIZED:
                case SDL_WINDOWEVENT_HIDDEN:
                    clip_->stop();  // a clip ends when the window is left; its notice says where it went
                    if (active_) delegate().applicationWillResignActive();
                    active_ = false;
                    break;
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                case SDL_WINDOWEVENT_RESTORED:
                case SDL_WINDOWEVENT_SHOWN:
                    if (!active_) delegate().applicationDidBecomeActive();
                    active_ = true;
                    break;
                case SDL_WINDOWEVENT_MOVED: note_window_place(); break;
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    note_window_place();
                    interface_->panel()->lay_out();
                    view().update_screen_size();
                    view().layoutSubviews();
                    break;
                default: break;
            }
            break;
        case SDL_KEYDOWN: handle_key(event.key); break;
        case SDL_TEXTINPUT:
            // '?' as typed, whatever the keyboard layout puts it on.
            if (std::strcmp(event.text.text, "?") == 0 && !interface_->panel()->modal_open())
                interface_->panel()->show_key_help();
            break;
        case SDL_DROPFILE:
            // A drop says plainly what to open: whatever menu is open gives
            // way (a notice would have to wait behind it, unseen).
            interface_->panel()->make_way_for_drop();
            open_file(event.drop.file);
            SDL_free(event.drop.file);
            break;
        case SDL_CONTROLLERDEVICEADDED:
        case SDL_CONTROLLERDEVICEREMOVED: tilt_->handle_controller_event(event); break;
        default: break;
    }
    touches_->handle_event(event);
}

void Application::handle_key(const SDL_KeyboardEvent& key) {
    // Pushed events carry their modifiers; SDL's own state would not see them.
    if (key.keysym.sym == SDLK_q && (key.keysym.mod & KMOD_CTRL) != 0) {
        quit_ = true;
        return;
    }
    ControlPanel* panel = interface_->panel();
    if (key.keysym.sym == SDLK_F11 && key.repeat == 0) {
        window_->set_full_screen(!window_->full_screen());
        return;
    }
    if (key.keysym.sym == SDLK_F1 && key.repeat == 0) {
        if (panel->key_help().isVisible()) panel->key_help().dismiss();
        else if (!panel->modal_open()) panel->show_key_help();
        return;
    }
    // Escape and the rest reach the modal screen through the ImGui layer.
    if (panel->modal_open()) return;
    // Ctrl+Z undoes; Ctrl+Shift+Z and Ctrl+Y redo. One step a press: each may rebuild the table.
    const bool ctrl = (key.keysym.mod & KMOD_CTRL) != 0, shift = (key.keysym.mod & KMOD_SHIFT) != 0;
    // Ctrl+O opens, Ctrl+S saves into lumo's folder, Ctrl+Shift+S saves anywhere.
    if (ctrl && key.repeat == 0 && key.keysym.sym == SDLK_o) {
        files_->open();
        return;
    }
    if (ctrl && key.repeat == 0 && key.keysym.sym == SDLK_s) {
        if (shift) files_->save_as();
        else delegate().saveShapeAndImage();
        return;
    }
    if (ctrl && (key.keysym.sym == SDLK_z || key.keysym.sym == SDLK_y)) {
        if (key.repeat != 0) return;
        if (key.keysym.sym == SDLK_z && !shift) delegate().undo();
        else delegate().redo();
        return;
    }
    if (key.keysym.sym == SDLK_l && key.repeat == 0) {
        view().setDisplaySurface(!view().displays_surface());
        return;
    }
    if (key.keysym.sym == SDLK_r && key.repeat == 0) {
        clip_->toggle();
        return;
    }
    tilt_->handle_key(key.keysym.sym);
}

// The window's place as it is when not filling the screen, noted as it
// moves, and kept for the next start.
void Application::note_window_place() {
    if (window_ && !window_->headless() && !window_->full_screen()) windowed_place_ = window_->desktop_rect();
}

void Application::keep_window_place() {
    if (window_store_.empty() || !window_ || !windowed_place_) return;
    const WindowState state{windowed_place_->x, windowed_place_->y, windowed_place_->width, windowed_place_->height,
                            window_->full_screen()};
    std::string error;
    if (!write_window_state(window_store_, state, &error))
        log_line("lumo: the window's place is not kept: %s", error.c_str());
}

bool Application::open_file(const std::filesystem::path& path) {
    // By kind first, before anything opens it: a pipe or a device could keep
    // the frame's thread waiting for ever.
    if (const std::string problem = regular_file_problem(path); !problem.empty()) {
        const std::string error = path.string() + ": " + problem;
        log_line("lumo: cannot open %s", error.c_str());
        interface_->panel()->report_cannot_open(error);
        return false;
    }
    if (is_shape_file(path)) return delegate().open_shape_file(path);
    view().prepare_picture(path);
    return true;
}

// Timers due after the end do not fire: the clock stops there.
void Application::run_for(double seconds) {
    const Ticks end = run_loop_.nowTicks() + ticks_from_seconds(seconds);
    while (run_loop_.nowTicks() < end && !quit_) run_turn(seconds_from_ticks(end - run_loop_.nowTicks()));
}

Application* Application::running_ = nullptr;

int Application::run(std::unique_ptr<Application> app) {
    Application* running = app.release();
    running_ = running;
    host_run_main_loop([running] { return running->turn(); });
    if (!running->quit_) return 0;  // the browser goes on calling turns
    running->finish_clip(kQuitClipBudget);
    const int status = running->screenshot_failed_ ? 1 : 0;
    running_ = nullptr;
    delete running;
    return status;
}

bool Application::turn() {
    const auto started = std::chrono::steady_clock::now();
    note_refresh(started);
    const bool whole_dome = view().trans()->initializing_index() < 0;
    const long frames_before = frames_drawn();
    run_turn(host_turn_wait());
    // The first frame that shows every row (the page's benchmark times it).
    if (whole_dome && !whole_dome_reported_ && frames_drawn() > frames_before) {
        whole_dome_reported_ = true;
        host_report_metric("wholeDomeFrame", static_cast<double>(frames_drawn()));
    }
    take_due_screenshots();
    const auto turned = std::chrono::steady_clock::now();
    // Without threads the table is built here, between frames.
    TableBuilder& builder = view().trans()->table_builder();
    if (builder.builds_in_slices()) build_table_slice(builder, started, turned);
    const double interval = run_loop_.interval(view().animation_timer());
    if (interval != interval_reported_) {
        interval_reported_ = interval;
        host_report_metric("frameIntervalMs", interval * 1000.0);
    }
    if (frames_drawn() != frames_timed_) {
        frames_timed_ = frames_drawn();
        host_report_metric("frameMs", std::chrono::duration<double, std::milli>(turned - started).count());
    }
    return !quit_;
}

// Timers and events, then a refresh of the screen when one is due. The
// wait for input ends early when the surface moves and the next refresh
// is nearer.
void Application::run_turn(double max_wait) {
    double wait = max_wait;
    if (!host_turn_per_display_frame() && view().wants_display_frames())
        wait = std::clamp(next_display_ - run_loop_.now(), 0.0, wait);
    run_loop_.runOnce(wait);
    display(run_loop_.now());
}

// A refresh of the screen: every turn in the browser, at the screen's rate
// on the desktop.
void Application::display(double now) {
    if (!host_turn_per_display_frame()) {
        if (now < next_display_) return;
        const double refresh = window_->refresh_seconds();
        next_display_ = next_display_ + refresh > now ? next_display_ + refresh : now + refresh;
    }
    view().display_frame(now);
}

// The display's refresh interval, from the time between turns (one a
// refresh in the browser); gaps of a hidden page or a stall do not count.
void Application::note_refresh(std::chrono::steady_clock::time_point started) {
    if (last_turn_started_ != std::chrono::steady_clock::time_point()) {
        const double interval = std::chrono::duration<double>(started - last_turn_started_).count();
        if (interval > 0.004 && interval < 0.05) refresh_seconds_ += (interval - refresh_seconds_) * 0.1;
    }
    last_turn_started_ = started;
}

// Builds in the display frame's spare time, and reports each build's
// figures when it ends (a build whose rows a farm had ready may end before
// any turn: then it cost no turn anything).
void Application::build_table_slice(TableBuilder& builder, std::chrono::steady_clock::time_point turn_started,
                                    std::chrono::steady_clock::time_point now) {
    if (builder.running()) {
        if (!table_build_timed_) {
            table_build_started_ = now;
            table_build_timed_ = true;
        }
        const double spent = std::chrono::duration<double>(now - turn_started).count();
        table_farmed_ = builder.farming();
        builder.build_slice(std::max(kLeastTableSlice, refresh_seconds_ - spent - kCompositingRoom));
        const double slice_ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - now).count();
        table_slice_longest_ms_ = std::max(table_slice_longest_ms_, slice_ms);
        table_main_thread_ms_ += slice_ms;
    }
    if (builder.running() || builder.builds_finished() == table_builds_reported_) return;
    table_builds_reported_ = builder.builds_finished();
    host_report_metric("tableSliceLongestMs", table_slice_longest_ms_);
    host_report_metric("tableMainThreadMs", table_main_thread_ms_);
    host_report_metric("tableFarmed", table_farmed_ || !table_build_timed_ ? 1.0 : 0.0);
    // From the first turn that saw it running to the last, frames in between included.
    host_report_metric(
        "tableBuildMs",
        table_build_timed_
            ? std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - table_build_started_).count()
            : 0.0);
    table_build_timed_ = false;
    table_slice_longest_ms_ = 0.0;
    table_main_thread_ms_ = 0.0;
}

int Application::run_headless() {
    const Ticks end = options_.frames * kTicksPerFrame;
    while (run_loop_.nowTicks() < end && !quit_) {
        run_loop_.runOnce(seconds_from_ticks(end - run_loop_.nowTicks()));
        take_due_screenshots();
    }
    if (!options_.screenshot.empty() && write_screenshot(options_.screenshot))
        log_line("lumo: screenshot of frame %d written to %s", options_.frames, options_.screenshot.c_str());
    // The clip ends with the run, with every frame it was given.
    finish_clip(std::chrono::milliseconds::max());
    // The options refuse frames past the end; a quit before them still must not pass in silence.
    for (const auto& [frame, path] : pending_screenshots_) {
        log_line("lumo: frame %d was never drawn; no screenshot written to %s", frame, path.c_str());
        screenshot_failed_ = true;
    }
    pending_screenshots_.clear();
    return screenshot_failed_ || clip_failed_ ? 1 : 0;
}

// What became of a clip: a notice, and a line on stderr (all a headless or
// scripted run has to tell it).
void Application::clip_finished(const ClipResult& result) {
    if (result.saved() && result.kept == ClipResult::Kept::in_folder) {
        std::string where;
        for (const auto& file : result.files) where += (where.empty() ? "" : " and ") + file.string();
        log_line("lumo: clip saved to %s", where.c_str());
    } else if (!result.saved()) {
        log_line("lumo: %s", result.message().c_str());
        clip_failed_ = true;
    }
    if (result.frames_dropped > 0) log_line("lumo: the clip dropped %d frames", result.frames_dropped);
    interface_->panel()->show_clip_notice(result);
}

// Quitting, or the end of a headless run: a clip being recorded ends there.
void Application::finish_clip(std::chrono::milliseconds budget) {
    if (std::optional<ClipResult> result = clip_->finish(budget)) clip_finished(*result);
}

// A screenshot of frame n shows the window as it stands once frame n has been drawn.
void Application::take_due_screenshots() {
    for (auto it = pending_screenshots_.begin(); it != pending_screenshots_.end();) {
        if (run_loop_.nowTicks() >= it->first * kTicksPerFrame) {
            write_screenshot(it->second);
            it = pending_screenshots_.erase(it);
        } else {
            ++it;
        }
    }
}

// Written like a shape file: a temporary file, every write checked, flushed
// and renamed, so a full or read-only disk leaves nothing and says so.
bool Application::write_screenshot(const std::string& path) {
    compositor_.capture_next_composition();
    compositor_.recompose();
    Picture frame(compositor_.captured_width(), compositor_.captured_height());
    std::string error = "nothing was drawn";
    bool written = false;
    if (!frame.empty() && frame.byte_count() == compositor_.captured_pixels().size()) {
        std::memcpy(frame.pixels(), compositor_.captured_pixels().data(), frame.byte_count());
        const std::vector<uint8_t> png = encode_png(frame);
        error = "the picture could not be encoded as PNG";
        written = !png.empty() && write_file_atomically(path, png, &error);
    }
    if (written) return true;
    log_line("lumo: screenshot not written: %s", error.c_str());
    screenshot_failed_ = true;
    return false;
}

// --- Scripted input -----------------------------------------------------------

void Application::inject_script_events() {
    while (next_script_event_ < script_.size() && script_[next_script_event_].time <= run_loop_.nowTicks())
        inject(script_[next_script_event_++]);
}

void Application::inject(const ScriptEvent& e) {
    using K = ScriptEvent::Kind;
    switch (e.kind) {
        case K::down: push_finger(SDL_FINGERDOWN, e.finger, e.x, e.y); break;
        case K::move: push_finger(SDL_FINGERMOTION, e.finger, e.x, e.y); break;
        case K::up: push_finger(SDL_FINGERUP, e.finger, e.has_position ? e.x : -1, e.has_position ? e.y : -1); break;
        case K::click: push_click(e.x, e.y); break;
        case K::mouse_down: push_mouse(SDL_MOUSEBUTTONDOWN, e.x, e.y); break;
        case K::mouse_move: push_mouse(SDL_MOUSEMOTION, e.x, e.y); break;
        case K::mouse_up: push_mouse(SDL_MOUSEBUTTONUP, e.x, e.y); break;
        case K::tilt: accelerometer_->overrideReading(e.tilt); break;
        case K::tilt_off: accelerometer_->overrideReading(std::nullopt); break;
        case K::key:
            push_key_event(SDL_KEYDOWN, e.key, e.modifiers);
            push_key_event(SDL_KEYUP, e.key, e.modifiers);
            break;
        case K::focus_lost: push_window_event(SDL_WINDOWEVENT_FOCUS_LOST); break;
        case K::focus_gained: push_window_event(SDL_WINDOWEVENT_FOCUS_GAINED); break;
        case K::drop: push_drop(e.file); break;
        case K::record_start: clip_->start(); break;
        case K::record_stop: clip_->stop(); break;
        case K::press: {
            // Where the panel drew the control last; nothing when it has not.
            const PanelRect rect = interface_->panel()->rect_of(static_cast<ControlPanel::Control>(e.control));
            if (rect.width <= 0 || rect.height <= 0) {
                log_line("lumo: script: the %s control is not on screen", kScriptControlNames[e.control]);
                break;
            }
            const ViewRect view_rect = window_->view_rect_points();
            const float x = rect.x + rect.width * 0.5f - static_cast<float>(view_rect.x);
            const float y = rect.y + rect.height * 0.5f - static_cast<float>(view_rect.y);
            push_click(x, y);
            break;
        }
    }
}

// View points to SDL's normalised window coordinates. A lift without a
// position ends where the finger last was: SDL always gives one, so use the
// view's centre as a stand-in that the lift does not read.
void Application::push_finger(Uint32 type, int finger, float x, float y) {
    const ViewRect r = window_->view_rect_points();
    int w = 1, h = 1;
    window_->window_size_points(&w, &h);
    if (x < 0 || y < 0) x = r.width * 0.5f, y = r.height * 0.5f;
    SDL_Event event{};
    event.type = type;
    event.tfinger.timestamp = SDL_GetTicks();
    event.tfinger.touchId = kScriptTouchDevice;
    event.tfinger.fingerId = finger;
    event.tfinger.x = (static_cast<float>(r.x) + x) / static_cast<float>(w);
    event.tfinger.y = (static_cast<float>(r.y) + y) / static_cast<float>(h);
    event.tfinger.pressure = 1.0f;
    event.tfinger.windowID = SDL_GetWindowID(window_->sdl_window());
    SDL_PushEvent(&event);
}

void Application::push_click(float x, float y) {
    push_mouse(SDL_MOUSEMOTION, x, y);
    push_mouse(SDL_MOUSEBUTTONDOWN, x, y);
    push_mouse(SDL_MOUSEBUTTONUP, x, y);
}

void Application::push_mouse(Uint32 type, float x, float y) {
    const ViewRect r = window_->view_rect_points();
    SDL_Event event{};
    event.type = type;
    const int wx = window_coordinate(r.x, x), wy = window_coordinate(r.y, y);
    const Uint32 window_id = SDL_GetWindowID(window_->sdl_window());
    if (type == SDL_MOUSEMOTION) {
        event.motion.windowID = window_id;
        event.motion.x = wx;
        event.motion.y = wy;
        event.motion.state = script_mouse_held_ ? SDL_BUTTON_LMASK : 0;
    } else {
        script_mouse_held_ = type == SDL_MOUSEBUTTONDOWN;
        event.button.windowID = window_id;
        event.button.button = SDL_BUTTON_LEFT;
        event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.button.clicks = 1;
        event.button.x = wx;
        event.button.y = wy;
    }
    SDL_PushEvent(&event);
}

void Application::push_key(SDL_Keycode key) {
    for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) push_key_event(type, key);
}

void Application::push_key_event(Uint32 type, SDL_Keycode key, Uint16 modifiers) {
    SDL_Event event{};
    event.type = type;
    event.key.windowID = SDL_GetWindowID(window_->sdl_window());
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    event.key.keysym.mod = modifiers;
    SDL_PushEvent(&event);
}

void Application::push_text(const char* text) {
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = SDL_GetWindowID(window_->sdl_window());
    std::snprintf(event.text.text, sizeof event.text.text, "%s", text);
    SDL_PushEvent(&event);
}

// As a file manager drops it: SDL hands the name over, the handler frees it.
void Application::push_drop(const std::string& file) {
    SDL_Event event{};
    event.type = SDL_DROPFILE;
    event.drop.file = SDL_strdup(file.c_str());
    event.drop.windowID = SDL_GetWindowID(window_->sdl_window());
    if (event.drop.file != nullptr && SDL_PushEvent(&event) != 1) SDL_free(event.drop.file);
}

void Application::push_window_event(Uint8 window_event) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = SDL_GetWindowID(window_->sdl_window());
    event.window.event = window_event;
    SDL_PushEvent(&event);
}

}  // namespace lumo
