#pragma once
// Everything a host provides, in one place. The desktop implements it in
// platform/desktop/host.cpp, the browser in platform/browser/host.cpp (with
// the page's side in host_files.js and picture_decoder.js); CMake builds
// one of the two. The rest of the program is written against this header
// and the shared SDL code beside it, and never asks which host it runs on.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct ImDrawData;

namespace lumo {

struct ViewFrame;

// --- The outermost loop ---------------------------------------------------
// The desktop calls turn() back to back, each turn waiting for input or the
// next timer; the browser calls it once per animation frame and must never
// be kept waiting, so there a turn only polls. Returns once a turn returned
// false; in the browser it returns at once and the turns go on from the
// browser's event loop, so what they use must outlive the call.
void host_run_main_loop(std::function<bool()> turn);
// How long one turn may wait for input, in seconds.
double host_turn_wait();
// Whether each turn is one refresh of the screen (the browser's animation
// frames); otherwise the program paces its display frames itself.
bool host_turn_per_display_frame();
// Whether there is a screen to open a window on.
bool host_display_available();

// --- OpenGL and drawing -----------------------------------------------------
// Which OpenGL the window's context is: asked of SDL before the window
// exists (the desktop's compatibility profile, the browser's WebGL 2).
void host_request_gl_context();
// Copies the view's frame into the window's framebuffer pixel for pixel,
// its lower-left corner at (x, y) in window pixels (rows from the bottom, as
// GL counts them). Leaves the window's framebuffer bound and every other GL
// state as it was. The desktop draws the frame's texture as a quad (Mesa's
// software driver compiles a blit's pipeline on first use, about 45 ms of a
// 250 ms launch, where a quad costs 10); the browser blits.
void host_copy_frame_to_window(const ViewFrame& frame, int x, int y, int window_width, int window_height);
// Dear ImGui's output drawn with the host's OpenGL (the fixed-function
// renderer on the desktop, the OpenGL ES one in the browser); each saves and
// restores the GL state it touches.
void host_imgui_renderer_init();
void host_imgui_renderer_shutdown();
void host_imgui_renderer_new_frame();
void host_imgui_renderer_draw(ImDrawData* data);
void host_imgui_renderer_forget_font();  // the atlas changed: made again at the next frame

// --- The program's own files ----------------------------------------------
// The default picture and the interface font: next to the binary, in the
// installed share folder or, for builds run uninstalled, the source tree;
// in the browser, packed into the page. Empty when nowhere to be found.
inline constexpr std::string_view kInterfaceFontFile = "DejaVuSans.ttf";
std::filesystem::path host_find_resource(std::string_view name);
// Where resources are, else where the system keeps its fonts.
std::filesystem::path host_find_font(std::string_view name = kInterfaceFontFile);

// Whether an answer the host was waiting for (storage, the chooser, a
// decoded picture) has arrived since the last call: it may change what the
// screen shows while nothing else does, so the caller redraws.
bool host_take_answer_arrived();

// --- Telling the world --------------------------------------------------------
// Figures the program measures about itself (the page keeps them for its
// tests as Module.lumoMetrics; the desktop has benchmarks and ignores them).
void host_report_metric(const char* name, double value);
// Each frame put on the screen (the page watches them).
void host_frame_presented(long frames_presented);

// --- Touches ------------------------------------------------------------------
// Whether the finger that SDL reports lifted was in fact taken away by the
// system (a browser's touchcancel, which SDL reports as a lift); answered
// once per finger. A desktop never takes fingers away.
bool host_finger_was_cancelled(int64_t finger);

// --- The machine's motion sensor, where the host reads it itself ---------------
// (the browser's devicemotion; on the desktop, Linux IIO is read directly by
// tilt/ and there is nothing here).
struct HostMotion {
    // Acceleration including gravity in m/s² along the device's natural
    // axes (lying face up: 0, 0, +9.81), and the screen's orientation angle
    // in degrees.
    double x = 0, y = 0, z = 0;
    double screen_angle_degrees = 0;
};
bool host_has_motion_events();
// Listening starts with the first call; false until a reading has come.
bool host_latest_motion(HostMotion* out);
// Whether the user must allow the readings first. Where the browser asks
// (Safari), it does so only from inside a tap's own handler: the page
// answers taps on the control placed here, in the states needed and refused
// (where it asks again).
enum class MotionPermission {
    not_needed,  // readings flow, or would once there is a sensor
    checking,  // the page is finding out
    needed,  // a tap on the control asks
    asked,  // the question is on screen
    refused,  // the user said no
};
MotionPermission host_motion_permission();
void host_place_motion_permission_control(float x, float y, float width, float height, bool shown);

// Whether the user is likely to have a keyboard (arrow keys to tilt with):
// not on a device driven by fingers alone.
bool host_keyboard_likely();

// --- Files that arrive through the host ------------------------------------------
// The browser's file chooser (on a phone, the photo library or the camera)
// and files dropped on the page arrive later, between frames, and are
// polled. The desktop has no chooser of its own (the program browses folders
// itself) and gets drops as paths from SDL.
enum class ChooserRequest { picture, camera, shape_file };

struct ArrivingFile {
    enum class Kind {
        none,  // nothing has arrived
        cancelled,  // the chooser was dismissed without a file
        picture,  // decoded by the host: straight-alpha RGBA rows, top first, upright
        file,  // any other file: its bytes as they are, at `path`
        too_large,  // a picture wider or taller than allowed (width, height), or a file over the cap (bytes)
        undecodable,  // not a picture the host can decode
    };
    Kind kind = Kind::none;
    std::string name;  // the file's own name, no folder
    int width = 0, height = 0;  // picture and too_large: the picture's size, upright
    uint64_t size = 0;  // file and too_large: the file's size in bytes
    std::vector<uint8_t> bytes;  // picture: its pixels
    // file: a copy the host made in a scratch folder of the program's file
    // system, the bytes never passing through the program's memory (a large
    // file can be checked beside the frames, and stored, without the
    // program's memory growing for it). The program may move or remove it;
    // the host removes what is left when the next file arrives.
    std::filesystem::path path;
};

bool host_has_file_chooser();
bool host_has_camera();

// Pictures are decoded by the host, upright, and fitted into fit_side x
// fit_side as fit_picture() fits them (scaled so that the shorter side fills
// the square, centred, the overflow cut), away from the frame's thread; one
// larger than max_side on a side is reported too_large without being
// decoded. A file other than a picture over max_bytes is reported too_large
// unread: it never enters the program's memory.
struct ChooserLimits {
    int max_side = 0;
    int fit_side = 0;
    uint64_t max_bytes = 0;
};
// A second request while one is open replaces it.
void host_open_file_chooser(ChooserRequest request, const ChooserLimits& limits);

enum class ChooserState {
    idle,  // nothing asked, or the answer has arrived
    waiting,  // the chooser is open
    needs_tap,  // the host opens choosers only from a tap: the next tap on the page opens it
    reading,  // a file was chosen and is being read or decoded
};
ChooserState host_chooser_state();
// Forgets the open request: its answer, if it still comes, is dropped.
void host_close_file_chooser();
// The chooser's answer, once; Kind::none until it arrives.
ArrivingFile host_take_chosen_file();
// The next file dropped on the program, once; Kind::none when there is none.
// Limits as for the chooser; set before the first drop.
void host_set_drop_limits(const ChooserLimits& limits);
ArrivingFile host_take_dropped_file();

// --- The influence table's rows, where the host computes them ----------------------
// The browser has no threads but has Web Workers: they compute whole rows of
// the table (both halves) from the rest shape and the host writes them into
// `table` (2500 x 2500 floats), in any order, between frames. The desktop
// builds on threads of its own and has none of this (start is false).
// Start: false when there is no one to compute them; a new start drops the
// job before. Done: rows complete from row 0 on. Failed: no more rows come.
bool host_table_rows_start(const float* rest_shape, float* table);
int host_table_rows_done();
bool host_table_rows_failed();
void host_table_rows_cancel();

// --- Work beside the frames ---------------------------------------------------------
// Slow work (reading and checking a shape file, encoding one) runs away from
// the frame's thread: on the desktop on a worker thread of its own, in the
// browser in a Web Worker that holds a second copy of the program. A task is
// therefore a plain function, bytes in and bytes out, which the browser's
// copy finds by its address; `file`, a path in the program's file system or
// empty, is there for the task to read in either (the browser copies it over
// first, without it passing through the program's memory). It must stay
// where it is until the task is done.
using BackgroundTask = std::vector<uint8_t> (*)(const std::filesystem::path& file, std::span<const uint8_t> input);
using BackgroundDone = std::function<void(std::vector<uint8_t> output)>;
// Tasks run one at a time, in the order given. Where no worker can run them
// (a browser without workers) they run inside the call. Returns an id for
// host_forget_background().
uint64_t host_run_in_background(BackgroundTask task, std::filesystem::path file, std::vector<uint8_t> input,
                                BackgroundDone done);
// Its done will not be called (the task may still run to its end).
void host_forget_background(uint64_t id);
// Calls done, on the calling thread, for each task that has finished, in order.
void host_deliver_background();
// Waits for every task given so far, then delivers (headless runs, which
// must repeat exactly, and quitting); the browser cannot wait and only delivers.
void host_finish_background();
bool host_background_busy();

// --- Keeping files, and handing one to the user ----------------------------------
// On the desktop a file is durable once written (whole, flushed and renamed
// into place). The browser keeps the application's folder in memory and
// copies it into its own storage only when asked.
//
// stored: true once every change so far is kept, with a note on where
// (empty: the file's own path says it); false with why, in words. Called
// once: at once on the desktop, later (between frames) in the browser;
// requests are answered in order.
using PersistDone = std::function<void(bool stored, const std::string& note)>;
void host_persist_files(PersistDone done);
// Offers bytes to the user as a file named `name` to keep (the browser's
// download). false where the host has no such thing.
bool host_offer_download(const std::string& name, std::span<const uint8_t> bytes);
// Shows the file in the desktop's file manager (selected, where the file
// manager answers org.freedesktop.FileManager1; else its folder opened with
// xdg-open), without waiting for it. false where there is no file manager.
bool host_show_in_folder(const std::filesystem::path& file);
// Whether there is a file manager to show files in at all (a page has none).
bool host_can_show_in_folder();
// Whether the host has a trash where the user gets deleted files back
// outside the program (the desktop's, files/trash.h). The browser's storage
// has none: there the saved-file list offers to undo a deletion itself.
bool host_has_trash();

// --- The desktop's own file dialogs ---------------------------------------------
// Open and Save As in the dialogs the user's desktop gives every program
// (GNOME's, KDE's, a sandbox's), through the XDG desktop portal
// (platform/desktop/portal_file_dialog.h). Each is another process's window:
// its answer arrives later and is taken between frames, never waited for.
// Where no portal answers (a bare X server, the browser) the answer is
// `unavailable`, within a turn or two, and the program shows its own screens.
struct FileDialogAnswer {
    enum class Kind {
        none,  // nothing asked, or the answer has not arrived yet
        chosen,  // path: the file picked (Open) or the place to save to (Save As)
        cancelled,  // the user closed the dialog without a file
        unavailable,  // no portal answered, or it could not show the dialog: reason says why
    };
    Kind kind = Kind::none;
    std::filesystem::path path;
    std::string reason;
};
enum class FileDialog {
    open_picture_or_shape,  // a picture, or a shape file
    save_shape_as,  // a shape file anywhere; the name comes back as typed (it may lack ".lumo")
};
// A request replaces one still open. suggested_name: Save As's first name.
void host_show_file_dialog(FileDialog dialog, const std::string& suggested_name = {});
// The answer, once; Kind::none until it has arrived.
FileDialogAnswer host_take_file_dialog_answer();
// Whether a dialog was asked for and its answer not yet taken.
bool host_file_dialog_waiting();
// Closes the dialog still open; its answer is dropped.
void host_close_file_dialog();

// --- The log ------------------------------------------------------------------------
// A diagnostic line for whoever looks into the program, not for its user:
// the desktop's system log (the journal) at debug level, the browser's console.
void host_write_diagnostic(const char* line);

// --- Recording the view, where the host records clips itself ---------------------
// The browser's page records clips of the view: the video through the
// browser's MediaRecorder (MP4 where it makes one, WebM otherwise), fed from
// a canvas of its own that receives each view frame, and the GIF through the
// program's GIF encoder in a Web Worker; the page's thread only hands frames
// over. The desktop's program records its own clips (clip/) and has none of it.
bool host_records_clips();
// Starts a clip of the view, which is width x height pixels (the page may
// record it smaller); its files are named stem plus their extension.
void host_clip_start(int width, int height, const std::string& stem);
// A view frame is in the window at this rectangle (window pixels from the
// top left), the interface not yet drawn over it.
void host_clip_frame_shown(int x, int y, int width, int height);
// Ends the clip; the files follow (host_clip_state).
void host_clip_stop();
struct HostClip {
    enum class State { none, recording, finishing, ready, failed };
    State state = State::none;
    std::vector<std::string> names;  // ready: the files' names, the video's first
    bool can_share = false;  // ready: the device's share sheet takes them; else they are downloaded
    std::string error;  // failed: why, in words
    int frames_dropped = 0;  // frames the GIF worker could not take in time
};
HostClip host_clip_state();
// Where the control that shares (or downloads) file `index` of the last
// clip is, in window points, or that it is gone. The page answers taps on it
// itself: a browser shares only from inside a tap's own handler.
void host_place_clip_share_control(int index, float x, float y, float width, float height, bool shown);

}  // namespace lumo
