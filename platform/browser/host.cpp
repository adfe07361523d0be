// The browser host: a WebGL 2 canvas through SDL, turns on
// requestAnimationFrame, the page's file chooser, drops, downloads and
// IndexedDB storage (host_files.js), pictures decoded by the browser
// (picture_decoder.js), clips recorded by the page (host_clip.js), and the
// device's motion events.

#include "platform/host.h"

#include <SDL.h>
#include <backends/imgui_impl_opengl3.h>
#include <emscripten.h>
#include <emscripten/html5.h>
#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <system_error>
#include <utility>

#include "platform/eagl_context.h"
#include "platform/gl.h"

// The page's side, in JavaScript: clang-format reads it as C++ and would break it.
// clang-format off
EM_JS(void, lumo_report_frame, (double count), {
    const now = performance.now();
    if (Module.lumoFrameTimes && Module.lumoFrameTimes.length < 1000) Module.lumoFrameTimes.push(now);
    Module.lumoFramesPresented = count;
    if (!Module.lumoFirstFrameAt) {
        Module.lumoFirstFrameAt = now;
        if (Module.lumoOnFirstFrame) Module.lumoOnFirstFrame();
    }
});

// Each figure, and when it was last reported (the page's clock).
EM_JS(void, lumo_set_metric, (const char* name, double value), {
    Module.lumoMetrics = Module.lumoMetrics || {};
    Module.lumoMetricsAt = Module.lumoMetricsAt || {};
    Module.lumoMetrics[UTF8ToString(name)] = value;
    Module.lumoMetricsAt[UTF8ToString(name)] = performance.now();
});

// The page records the identifiers of cancelled touches (page.js) before
// SDL turns the same touchcancel into a lift; each is answered once.
EM_JS(int, lumo_take_cancelled_touch, (double identifier), {
    const cancelled = Module.lumoCancelledTouches;
    if (!cancelled || !cancelled.has(identifier)) return 0;
    cancelled.delete(identifier);
    return 1;
});

EM_JS(double, lumo_screen_angle, (), {
    const o = screen.orientation;
    if (o && typeof o.angle === 'number') return o.angle;
    return typeof window.orientation === 'number' ? window.orientation : 0;
});

// Safari asks the user before it sends motion events, and only from inside
// a tap's own handler: the page answers taps on the control (page.js).
EM_JS(int, lumo_motion_permission, (), {
    const states = ['not needed', 'checking', 'needed', 'asked', 'refused'];
    const found = states.indexOf(Module.lumoMotionPermission);
    return found < 0 ? 0 : found;
});

EM_JS(int, lumo_keyboard_likely, (), { return Module.lumoKeyboardLikely ? 1 : 0; });

EM_JS(void, lumo_place_permission_control, (double x, double y, double w, double h, int shown),
      { Module.lumoPermissionControl = shown ? {x : x, y : y, width : w, height : h} : null; });

// Clips: host_clip.js records them; page.js answers taps on the share controls.
EM_JS(void, lumo_clip_start, (int width, int height, const char* stem),
      { Module.lumoClip.start(width, height, UTF8ToString(stem)); });
EM_JS(void, lumo_clip_frame_shown, (int x, int y, int width, int height),
      { Module.lumoClip.frameShown(x, y, width, height); });
EM_JS(void, lumo_clip_stop, (), { Module.lumoClip.stop(); });
EM_JS(int, lumo_clip_state, (), { return Module.lumoClip.state(); });
EM_JS(int, lumo_clip_can_share, (), { return Module.lumoClip.canShare() ? 1 : 0; });
EM_JS(int, lumo_clip_dropped, (), { return Module.lumoClip.dropped(); });
// A name of the last clip's files (index >= 0) or why it failed (-1), in
// memory from malloc that the caller frees.
EM_JS(char*, lumo_clip_text, (int index), {
    const text = index < 0 ? Module.lumoClip.error() : Module.lumoClip.name(index);
    const size = lengthBytesUTF8(text) + 1;
    const memory = _malloc(size);
    stringToUTF8(text, memory, size);
    return memory;
});
EM_JS(void, lumo_place_clip_share_control, (int index, double x, double y, double w, double h, int shown), {
    Module.lumoClipControls = Module.lumoClipControls || [];
    Module.lumoClipControls[index] = shown ? {x : x, y : y, width : w, height : h} : null;
});

// clang-format on

namespace lumo {

namespace {

// --- The loop ---
std::function<bool()> main_loop_turn;

void animation_frame(void*) {
    if (!main_loop_turn()) emscripten_cancel_main_loop();
}

// --- Motion ---
struct Motion {
    bool listening = false;
    bool have = false;
    HostMotion latest;
};
Motion motion;

EM_BOOL on_motion(int, const EmscriptenDeviceMotionEvent* event, void*) {
    // Emscripten 3.1.6 works out supportedFields but never stores it, so the
    // field holds whatever its buffer held; a missing reading arrives as NaN
    // instead, and that is what tells one apart.
    const double x = event->accelerationIncludingGravityX, y = event->accelerationIncludingGravityY,
                 z = event->accelerationIncludingGravityZ;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return EM_FALSE;
    // Browsers without a sensor may still send events, with nothing in them.
    if (x == 0.0 && y == 0.0 && z == 0.0) return EM_FALSE;
    motion.latest = {x, y, z, lumo_screen_angle()};
    motion.have = true;
    return EM_FALSE;
}

// --- Files ---
constexpr int kChosen = 0;
constexpr int kDropped = 1;
constexpr std::size_t kMaxWaitingDrops = 8;  // a pile dropped at once: the first ones

ArrivingFile chosen;
std::deque<ArrivingFile> dropped;
std::map<int, PersistDone> waiting_persists;
int next_persist_request = 1;
bool answer_arrived = false;

// --- Work beside the frames ---
std::map<uint64_t, BackgroundDone> background_waiting;
std::deque<std::pair<uint64_t, std::vector<uint8_t>>> background_arrived;
uint64_t next_background = 1;
std::vector<uint8_t> background_output;  // the last task's, until the page has copied it
uint32_t background_result[2] = {};

}  // namespace

// --- The outermost loop ---------------------------------------------------

// On requestAnimationFrame. Returns to the caller at once (no simulated
// infinite loop), so everything the turns use must live on the heap.
void host_run_main_loop(std::function<bool()> turn) {
    main_loop_turn = std::move(turn);
    emscripten_set_main_loop_arg(&animation_frame, nullptr, 0, 0);
}

double host_turn_wait() { return 0.0; }

bool host_turn_per_display_frame() { return true; }

bool host_display_available() { return true; }

// --- OpenGL and drawing -----------------------------------------------------

// OpenGL ES 3.0 is WebGL 2: framebuffer blits and RGBA8 renderbuffers, as
// the compositor and the view's framebuffer need. No multisampling, which a
// blit into the canvas would not allow.
void host_request_gl_context() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
}

void host_copy_frame_to_window(const ViewFrame& frame, int x, int y, int, int) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, frame.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, frame.width, frame.height, x, y, x + frame.width, y + frame.height, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

// GLSL ES 1.00 runs on WebGL 1 and 2 alike.
void host_imgui_renderer_init() { ImGui_ImplOpenGL3_Init("#version 100"); }
void host_imgui_renderer_shutdown() { ImGui_ImplOpenGL3_Shutdown(); }
void host_imgui_renderer_new_frame() { ImGui_ImplOpenGL3_NewFrame(); }
void host_imgui_renderer_draw(ImDrawData* data) { ImGui_ImplOpenGL3_RenderDrawData(data); }
void host_imgui_renderer_forget_font() { ImGui_ImplOpenGL3_DestroyFontsTexture(); }

// --- The program's own files ----------------------------------------------

// The page packs the program's own files, the interface font among them,
// into this folder of its virtual file system.
std::filesystem::path host_find_resource(std::string_view name) {
    const std::filesystem::path candidate = std::filesystem::path("/resources") / name;
    std::error_code error;
    return std::filesystem::is_regular_file(candidate, error) ? candidate : std::filesystem::path();
}

std::filesystem::path host_find_font(std::string_view name) { return host_find_resource(name); }

// --- Telling the world --------------------------------------------------------

bool host_take_answer_arrived() { return std::exchange(answer_arrived, false); }

void host_report_metric(const char* name, double value) { lumo_set_metric(name, value); }

void host_frame_presented(long frames_presented) { lumo_report_frame(static_cast<double>(frames_presented)); }

// --- Touches and the motion sensor ----------------------------------------------

bool host_finger_was_cancelled(int64_t finger) { return lumo_take_cancelled_touch(static_cast<double>(finger)) != 0; }

// clang-format off
bool host_has_motion_events() {
    return EM_ASM_INT({ return typeof DeviceMotionEvent !== 'undefined' ? 1 : 0; }) != 0;
}
// clang-format on

bool host_latest_motion(HostMotion* out) {
    if (!motion.listening) {
        emscripten_set_devicemotion_callback(nullptr, EM_FALSE, &on_motion);
        motion.listening = true;
    }
    if (!motion.have) return false;
    *out = motion.latest;
    return true;
}

// Readings flowing means nothing is left to allow.
MotionPermission host_motion_permission() {
    if (motion.have) return MotionPermission::not_needed;
    return static_cast<MotionPermission>(lumo_motion_permission());
}

bool host_keyboard_likely() { return lumo_keyboard_likely() != 0; }

void host_place_motion_permission_control(float x, float y, float width, float height, bool shown) {
    lumo_place_permission_control(x, y, width, height, shown ? 1 : 0);
}

// --- Files ----------------------------------------------------------------------
// The page's file chooser and drops (host_files.js) hand their answers over
// through lumo_host_file_arrived; they wait here until polled.

bool host_has_file_chooser() { return true; }

bool host_has_camera() {
    return EM_ASM_INT({ return Module.lumoHost.hasCamera() ? 1 : 0; }) != 0;
}

void host_open_file_chooser(ChooserRequest request, const ChooserLimits& limits) {
    chosen = {};
    EM_ASM({ Module.lumoHost.openChooser($0, {maxSide : $1, fitSide : $2, maxBytes : $3}); }, static_cast<int>(request),
           limits.max_side, limits.fit_side, static_cast<double>(limits.max_bytes));
}

ChooserState host_chooser_state() {
    switch (EM_ASM_INT({ return Module.lumoHost.chooserState(); })) {
        case 1: return ChooserState::waiting;
        case 2: return ChooserState::needs_tap;
        case 3: return ChooserState::reading;
        default: return ChooserState::idle;
    }
}

void host_close_file_chooser() {
    chosen = {};
    EM_ASM({ Module.lumoHost.closeChooser(); });
}

ArrivingFile host_take_chosen_file() { return std::exchange(chosen, {}); }

void host_set_drop_limits(const ChooserLimits& limits) {
    EM_ASM({ Module.lumoHost.setDropLimits({maxSide : $0, fitSide : $1, maxBytes : $2}); }, limits.max_side,
           limits.fit_side, static_cast<double>(limits.max_bytes));
}

ArrivingFile host_take_dropped_file() {
    if (dropped.empty()) return {};
    ArrivingFile file = std::move(dropped.front());
    dropped.pop_front();
    return file;
}

// --- The influence table's rows -----------------------------------------------------
// table_rows.js, a script of the page's own, runs the workers and copies
// their rows into the table.

bool host_table_rows_start(const float* rest_shape, float* table) {
    return EM_ASM_INT({ return window.lumoTableRows && window.lumoTableRows.start($0, $1) ? 1 : 0; }, rest_shape,
                      table) != 0;
}

int host_table_rows_done() {
    return EM_ASM_INT({ return window.lumoTableRows ? window.lumoTableRows.rowsDone() : 0; });
}

bool host_table_rows_failed() {
    return EM_ASM_INT({ return !window.lumoTableRows || window.lumoTableRows.failed() ? 1 : 0; }) != 0;
}

void host_table_rows_cancel() {
    EM_ASM({
        if (Module.lumoTableRows) Module.lumoTableRows.cancel();
    });
}

// --- Work beside the frames ----------------------------------------------------
// background.js sends each task to the worker's copy of the program, which
// runs it through lumo_background_run; the answers come back through
// lumo_background_arrived, in order. Without a worker the task runs here.

uint64_t host_run_in_background(BackgroundTask task, std::filesystem::path file, std::vector<uint8_t> input,
                                BackgroundDone done) {
    const uint64_t id = next_background++;
    background_waiting.emplace(id, std::move(done));
    const std::string path = file.string();
    const int sent =
        EM_ASM_INT({ return Module.lumoBackground && Module.lumoBackground.run($0, $1, $2, $3, $4) ? 1 : 0; },
                   static_cast<double>(id), reinterpret_cast<uintptr_t>(task), path.empty() ? nullptr : path.c_str(),
                   input.data(), static_cast<int>(input.size()));
    if (!sent) background_arrived.emplace_back(id, task(file, input));
    return id;
}

void host_forget_background(uint64_t id) { background_waiting.erase(id); }

void host_deliver_background() {
    while (!background_arrived.empty()) {
        auto [id, output] = std::move(background_arrived.front());
        background_arrived.pop_front();
        const auto found = background_waiting.find(id);
        if (found == background_waiting.end()) continue;
        BackgroundDone done = std::move(found->second);
        background_waiting.erase(found);
        if (done) done(std::move(output));
    }
}

void host_finish_background() { host_deliver_background(); }

bool host_background_busy() { return !background_waiting.empty(); }

// The application's folder lives in the browser's IndexedDB (host_files.js
// mounts it): each request copies the folder there, and the page answers
// through lumo_host_persisted.
void host_persist_files(PersistDone done) {
    const int request = next_persist_request++;
    waiting_persists.emplace(request, std::move(done));
    EM_ASM({ Module.lumoHost.persist($0); }, request);
}

bool host_offer_download(const std::string& name, std::span<const uint8_t> bytes) {
    return EM_ASM_INT({ return Module.lumoHost.download(UTF8ToString($0), $1, $2) ? 1 : 0; }, name.c_str(),
                      bytes.data(), static_cast<int>(bytes.size())) != 0;
}

bool host_has_trash() { return false; }

// --- The desktop's own file dialogs: none in a page ---------------------------------
// The page's chooser (above) stands in: the program shows its own screens,
// which open it.

namespace {
bool g_dialog_asked = false;
}  // namespace

void host_show_file_dialog(FileDialog, const std::string&) { g_dialog_asked = true; }

FileDialogAnswer host_take_file_dialog_answer() {
    if (!g_dialog_asked) return {};
    g_dialog_asked = false;
    return {FileDialogAnswer::Kind::unavailable, {}, "a page has no desktop dialogs"};
}

bool host_file_dialog_waiting() { return g_dialog_asked; }
void host_close_file_dialog() { g_dialog_asked = false; }

// --- Showing a file where it lies: a page cannot ------------------------------------

bool host_can_show_in_folder() { return false; }
bool host_show_in_folder(const std::filesystem::path&) { return false; }

// --- The log ------------------------------------------------------------------------

void host_write_diagnostic(const char* line) { emscripten_log(EM_LOG_CONSOLE | EM_LOG_DEBUG, "%s", line); }

// --- Recording the view -------------------------------------------------------------

namespace {
std::string taken_text(char* text) {
    std::string copy = text != nullptr ? text : "";
    std::free(text);
    return copy;
}
}  // namespace

bool host_records_clips() { return true; }

void host_clip_start(int width, int height, const std::string& stem) { lumo_clip_start(width, height, stem.c_str()); }

void host_clip_frame_shown(int x, int y, int width, int height) { lumo_clip_frame_shown(x, y, width, height); }

void host_clip_stop() { lumo_clip_stop(); }

HostClip host_clip_state() {
    HostClip clip;
    switch (lumo_clip_state()) {
        case 1: clip.state = HostClip::State::recording; break;
        case 2: clip.state = HostClip::State::finishing; break;
        case 3: clip.state = HostClip::State::ready; break;
        case 4: clip.state = HostClip::State::failed; break;
        default: return clip;
    }
    clip.frames_dropped = lumo_clip_dropped();
    if (clip.state == HostClip::State::failed) clip.error = taken_text(lumo_clip_text(-1));
    if (clip.state != HostClip::State::ready) return clip;
    clip.can_share = lumo_clip_can_share() != 0;
    for (int i = 0;; ++i) {
        std::string name = taken_text(lumo_clip_text(i));
        if (name.empty()) break;
        clip.names.push_back(std::move(name));
    }
    return clip;
}

void host_place_clip_share_control(int index, float x, float y, float width, float height, bool shown) {
    lumo_place_clip_share_control(index, x, y, width, height, shown ? 1 : 0);
}

}  // namespace lumo

extern "C" {

// From the page: queue 0 is the chooser's answer, 1 a dropped file. A
// picture's pixels are copied, the page frees its buffers; any other file is
// already in the file system, at `path`.
EMSCRIPTEN_KEEPALIVE void lumo_host_file_arrived(int queue, int kind, const char* name, const char* path, int width,
                                                 int height, double size, const uint8_t* bytes, int byte_count) {
    using lumo::ArrivingFile;
    ArrivingFile file;
    switch (kind) {
        case 1: file.kind = ArrivingFile::Kind::cancelled; break;
        case 2: file.kind = ArrivingFile::Kind::picture; break;
        case 3: file.kind = ArrivingFile::Kind::file; break;
        case 4: file.kind = ArrivingFile::Kind::too_large; break;
        default: file.kind = ArrivingFile::Kind::undecodable; break;
    }
    if (name != nullptr) file.name = name;
    if (path != nullptr && path[0] != '\0') file.path = path;
    file.width = width;
    file.height = height;
    file.size = size > 0 ? static_cast<uint64_t>(size) : 0;
    if (bytes != nullptr && byte_count > 0) file.bytes.assign(bytes, bytes + byte_count);
    lumo::answer_arrived = true;
    if (queue == lumo::kChosen) {
        lumo::chosen = std::move(file);
    } else if (queue == lumo::kDropped && lumo::dropped.size() < lumo::kMaxWaitingDrops) {
        lumo::dropped.push_back(std::move(file));
    }
}

// From the page: a task's answer, copied; the page frees its buffer.
EMSCRIPTEN_KEEPALIVE void lumo_background_arrived(double id, const uint8_t* bytes, int byte_count) {
    std::vector<uint8_t> output;
    if (bytes != nullptr && byte_count > 0) output.assign(bytes, bytes + byte_count);
    lumo::background_arrived.emplace_back(static_cast<uint64_t>(id), std::move(output));
}

// In whichever copy of the program runs the task: the task's address is the
// same in both (the same build), its answer stays until released. Returns
// where the answer is and its size.
EMSCRIPTEN_KEEPALIVE const uint32_t* lumo_background_run(uintptr_t task, const char* path, const uint8_t* input,
                                                         int input_size) {
    const auto run = reinterpret_cast<lumo::BackgroundTask>(task);
    lumo::background_output = run(path != nullptr ? std::filesystem::path(path) : std::filesystem::path(),
                                  std::span<const uint8_t>(input, static_cast<std::size_t>(std::max(0, input_size))));
    lumo::background_result[0] = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(lumo::background_output.data()));
    lumo::background_result[1] = static_cast<uint32_t>(lumo::background_output.size());
    return lumo::background_result;
}

EMSCRIPTEN_KEEPALIVE void lumo_background_release() { std::vector<uint8_t>().swap(lumo::background_output); }

EMSCRIPTEN_KEEPALIVE void lumo_host_persisted(int request, int stored, const char* why) {
    lumo::answer_arrived = true;
    const auto found = lumo::waiting_persists.find(request);
    if (found == lumo::waiting_persists.end()) return;
    lumo::PersistDone done = std::move(found->second);
    lumo::waiting_persists.erase(found);
    if (done) done(stored != 0, why != nullptr ? why : "");
}

}  // extern "C"
