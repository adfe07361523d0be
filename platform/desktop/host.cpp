// The desktop host: an X11 or Wayland window through SDL, OpenGL's
// compatibility profile through libepoxy, files by path.

#include "platform/host.h"

#include <SDL.h>
#include <backends/imgui_impl_opengl2.h>
#include <imgui.h>

#include <cstdlib>
#include <initializer_list>
#include <system_error>
#include <memory>
#include <vector>

#include <syslog.h>

#include "platform/desktop/portal_file_dialog.h"
#include "platform/desktop/show_in_folder.h"
#include "platform/eagl_context.h"
#include "platform/gl.h"

namespace lumo {

namespace {

std::filesystem::path executable_folder() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : exe.parent_path();
}

#if defined(LUMO_SOURCE_DIR) && defined(LUMO_BINARY_DIR)
// The source tree serves only programs run from the build tree: an installed
// lumo finds its files in its share folder or not at all.
bool inside_build_tree(const std::filesystem::path& folder) {
    std::error_code error;
    const auto build = std::filesystem::weakly_canonical(LUMO_BINARY_DIR, error);
    if (error) return false;
    const auto relative = folder.lexically_relative(build);
    return !relative.empty() && *relative.begin() != "..";
}
#endif

}  // namespace

// --- The outermost loop ---------------------------------------------------

void host_run_main_loop(std::function<bool()> turn) {
    while (turn()) {
    }
}

double host_turn_wait() { return 0.25; }

bool host_turn_per_display_frame() { return false; }

// An explicit SDL driver counts as a display: the user asked for it.
bool host_display_available() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') return true;
    }
    return false;
}

// --- OpenGL and drawing -----------------------------------------------------

// A 2.1 context is the compatibility profile: lights, materials, client arrays.
void host_request_gl_context() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
}

void host_copy_frame_to_window(const ViewFrame& frame, int x, int y, int window_width, int window_height) {
    const float left = static_cast<float>(x), bottom = static_cast<float>(y);
    const float right = left + static_cast<float>(frame.width), top = bottom + static_cast<float>(frame.height);
    // Corners on whole pixels and texels sampled nearest: texel (i, j) lands on pixel (x + i, y + j).
    const GLfloat corners[] = {left, bottom, right, bottom, right, top, left, top};
    const GLfloat texels[] = {0, 0, 1, 0, 1, 1, 0, 1};

    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    // Saved and restored: the enables, the texture binding and its
    // environment, the matrix mode, the viewport and the client arrays.
    glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_TRANSFORM_BIT | GL_VIEWPORT_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glViewport(0, 0, window_width, window_height);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDisable(GL_SCISSOR_TEST);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, frame.texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);  // the texel as it is, alpha included
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, window_width, 0, window_height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, corners);
    glTexCoordPointer(2, GL_FLOAT, 0, texels);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
}

void host_imgui_renderer_init() { ImGui_ImplOpenGL2_Init(); }
void host_imgui_renderer_shutdown() { ImGui_ImplOpenGL2_Shutdown(); }
void host_imgui_renderer_new_frame() { ImGui_ImplOpenGL2_NewFrame(); }
void host_imgui_renderer_draw(ImDrawData* data) { ImGui_ImplOpenGL2_RenderDrawData(data); }
void host_imgui_renderer_forget_font() { ImGui_ImplOpenGL2_DestroyFontsTexture(); }

// --- The program's own files ----------------------------------------------

std::filesystem::path host_find_resource(std::string_view name) {
    const std::filesystem::path folder = executable_folder();
    std::vector<std::filesystem::path> candidates = {
        folder / name,
        folder / ".." / "share" / "lumo" / name,
    };
#if defined(LUMO_SOURCE_DIR) && defined(LUMO_BINARY_DIR)
    if (inside_build_tree(folder)) candidates.push_back(std::filesystem::path(LUMO_SOURCE_DIR) / "assets" / name);
#endif
    for (const auto& candidate : candidates) {
        std::error_code error;
        if (!folder.empty() && std::filesystem::is_regular_file(candidate, error)) return candidate;
    }
    return {};
}

std::filesystem::path host_find_font(std::string_view name) {
    if (std::filesystem::path found = host_find_resource(name); !found.empty()) return found;
    const std::filesystem::path system = std::filesystem::path("/usr/share/fonts/truetype/dejavu") / name;
    std::error_code error;
    return std::filesystem::is_regular_file(system, error) ? system : std::filesystem::path();
}

// --- Telling the world --------------------------------------------------------

// Every answer comes at once, inside the call that asked.
bool host_take_answer_arrived() { return false; }

void host_report_metric(const char*, double) {}
void host_frame_presented(long) {}

// --- Touches and the motion sensor ----------------------------------------------

bool host_finger_was_cancelled(int64_t) { return false; }

bool host_has_motion_events() { return false; }
bool host_latest_motion(HostMotion*) { return false; }
MotionPermission host_motion_permission() { return MotionPermission::not_needed; }
void host_place_motion_permission_control(float, float, float, float, bool) {}
bool host_keyboard_likely() { return true; }

// --- Files ----------------------------------------------------------------------

bool host_table_rows_start(const float*, float*) { return false; }
int host_table_rows_done() { return 0; }
bool host_table_rows_failed() { return true; }
void host_table_rows_cancel() {}

bool host_has_file_chooser() { return false; }
bool host_has_camera() { return false; }
void host_open_file_chooser(ChooserRequest, const ChooserLimits&) {}
ChooserState host_chooser_state() { return ChooserState::idle; }
void host_close_file_chooser() {}
ArrivingFile host_take_chosen_file() { return {}; }
void host_set_drop_limits(const ChooserLimits&) {}
ArrivingFile host_take_dropped_file() { return {}; }

// Files are written whole and flushed before they are renamed into place.
void host_persist_files(PersistDone done) {
    if (done) done(true, {});
}

bool host_offer_download(const std::string&, std::span<const uint8_t>) { return false; }

bool host_has_trash() { return true; }

// --- The desktop's own file dialogs ---------------------------------------------

namespace {
// Made on first use and kept for the process: a dialog still open when
// lumo quits is closed as this goes.
PortalFileDialog& file_dialog() {
    static const std::unique_ptr<PortalFileDialog> dialog = std::make_unique<PortalFileDialog>();
    return *dialog;
}
}  // namespace

void host_show_file_dialog(FileDialog dialog, const std::string& suggested_name) {
    if (dialog == FileDialog::save_shape_as) file_dialog().save_shape_as(suggested_name);
    else file_dialog().open_picture_or_shape();
}

FileDialogAnswer host_take_file_dialog_answer() { return file_dialog().poll(); }
bool host_file_dialog_waiting() { return file_dialog().waiting(); }
void host_close_file_dialog() { file_dialog().cancel(); }

// --- Showing a file where it lies -------------------------------------------------

bool host_can_show_in_folder() { return true; }

bool host_show_in_folder(const std::filesystem::path& file) {
    show_in_folder(file);  // on a thread of its own; how it went is not waited for
    return true;
}

// --- The log ------------------------------------------------------------------------

void host_write_diagnostic(const char* line) {
    static const bool opened = [] {
        ::openlog("lumo", LOG_PID, LOG_USER);
        return true;
    }();
    (void)opened;
    ::syslog(LOG_DEBUG, "%s", line);
}

// --- Recording the view -------------------------------------------------------------
// The program records its own clips (clip/).

bool host_records_clips() { return false; }
void host_clip_start(int, int, const std::string&) {}
void host_clip_frame_shown(int, int, int, int) {}
void host_clip_stop() {}
HostClip host_clip_state() { return {}; }
void host_place_clip_share_control(int, float, float, float, float, bool) {}

}  // namespace lumo
