#include "platform/imgui_layer.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <fstream>

#include "platform/gl_window.h"
#include "platform/host.h"
#include "platform/log.h"
#include "platform/startup_trace.h"
#include "platform/window_metrics.h"

namespace lumo {

namespace {

// Latin with its accents, and the punctuation file names and messages use.
const ImWchar kGlyphRanges[] = {0x0020, 0x017F, 0x2010, 0x2027, 0};

}  // namespace

// In one read: a character at a time took ten milliseconds of the start-up.
std::vector<char> read_interface_font() {
    const std::filesystem::path path = host_find_font();
    std::vector<char> data;
    std::error_code error;
    const std::uintmax_t size = path.empty() ? 0 : std::filesystem::file_size(path, error);
    if (!error && size > 0) {
        data.resize(static_cast<size_t>(size));
        std::ifstream in(path, std::ios::binary);
        if (!in.read(data.data(), static_cast<std::streamsize>(data.size()))) data.clear();
    }
    if (data.empty())
        log_line("lumo: no %.*s (Debian's fonts-dejavu-core has it); the interface uses ImGui's own font",
                 static_cast<int>(kInterfaceFontFile.size()), kInterfaceFontFile.data());
    return data;
}

ImGuiLayer::ImGuiLayer(GLWindow* window, std::vector<char> font_file)
    : window_(window), font_data_(std::move(font_file)) {
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // the program keeps no configuration
    io.LogFilename = nullptr;
    io.BackendPlatformName = "lumo_sdl2";
    const struct {
        ImGuiKey key;
        SDL_Scancode code;
    } keys[] = {
        {ImGuiKey_Tab, SDL_SCANCODE_TAB},
        {ImGuiKey_LeftArrow, SDL_SCANCODE_LEFT},
        {ImGuiKey_RightArrow, SDL_SCANCODE_RIGHT},
        {ImGuiKey_UpArrow, SDL_SCANCODE_UP},
        {ImGuiKey_DownArrow, SDL_SCANCODE_DOWN},
        {ImGuiKey_PageUp, SDL_SCANCODE_PAGEUP},
        {ImGuiKey_PageDown, SDL_SCANCODE_PAGEDOWN},
        {ImGuiKey_Home, SDL_SCANCODE_HOME},
        {ImGuiKey_End, SDL_SCANCODE_END},
        {ImGuiKey_Delete, SDL_SCANCODE_DELETE},
        {ImGuiKey_Backspace, SDL_SCANCODE_BACKSPACE},
        {ImGuiKey_Space, SDL_SCANCODE_SPACE},
        {ImGuiKey_Enter, SDL_SCANCODE_RETURN},
        {ImGuiKey_Escape, SDL_SCANCODE_ESCAPE},
        {ImGuiKey_KeyPadEnter, SDL_SCANCODE_KP_ENTER},
    };
    for (const auto& k : keys) io.KeyMap[k.key] = k.code;

    ImGui::StyleColorsDark();
    ImGuiStyle& style = ImGui::GetStyle();
    style.WindowRounding = 10.0f;
    style.FrameRounding = 6.0f;
    style.GrabRounding = 6.0f;
    style.FramePadding = ImVec2(10, 8);
    style.ItemSpacing = ImVec2(8, 8);
    style.WindowPadding = ImVec2(10, 10);
    base_style_ = style;
    host_imgui_renderer_init();
}

ImGuiLayer::~ImGuiLayer() {
    host_imgui_renderer_shutdown();
    ImGui::DestroyContext();
}

void ImGuiLayer::process_event(const SDL_Event& event) {
    ImGuiIO& io = ImGui::GetIO();
    switch (event.type) {
        case SDL_MOUSEMOTION:
            io.MousePos = ImVec2(static_cast<float>(event.motion.x), static_cast<float>(event.motion.y));
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const int b = event.button.button == SDL_BUTTON_LEFT     ? 0
                          : event.button.button == SDL_BUTTON_RIGHT  ? 1
                          : event.button.button == SDL_BUTTON_MIDDLE ? 2
                                                                     : -1;
            if (b < 0) break;
            io.MousePos = ImVec2(static_cast<float>(event.button.x), static_cast<float>(event.button.y));
            held_[b] = event.type == SDL_MOUSEBUTTONDOWN;
            if (held_[b]) pressed_[b] = true;
            break;
        }
        case SDL_MOUSEWHEEL:
            io.MouseWheel += static_cast<float>(event.wheel.y);
            io.MouseWheelH += static_cast<float>(event.wheel.x);
            break;
        case SDL_TEXTINPUT: io.AddInputCharactersUTF8(event.text.text); break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const int code = event.key.keysym.scancode;
            if (code >= 0 && code < IM_ARRAYSIZE(io.KeysDown) && code < kKeySlots) {
                keys_held_[code] = event.type == SDL_KEYDOWN;
                // The system's repeats are left out: ImGui repeats a held key itself.
                if (event.type == SDL_KEYDOWN && event.key.repeat == 0 && presses_[code] < kMostWaitingPresses)
                    ++presses_[code];
            }
            // From the event: a pushed one (scripts, tests) carries its own,
            // which SDL's keyboard state never sees.
            const Uint16 mod = event.key.keysym.mod;
            io.KeyShift = (mod & KMOD_SHIFT) != 0;
            io.KeyCtrl = (mod & KMOD_CTRL) != 0;
            io.KeyAlt = (mod & KMOD_ALT) != 0;
            io.KeySuper = (mod & KMOD_GUI) != 0;
            break;
        }
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_LEAVE) io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
            break;
        default: break;
    }
}

float ImGuiLayer::scale_for_view(int view_height_points) { return interface_scale(view_height_points); }

// Runs every frame but rebuilds only when the font's pixel size changes
// (a resize, or a move to a screen of another density).
void ImGuiLayer::fit_to_window() {
    int w = 0, h = 0, dw = 0, dh = 0;
    window_->window_size_points(&w, &h);
    window_->drawable_size_pixels(&dw, &dh);
    const float scale = std::max(1.0f, std::min(scale_for_view(window_->view_rect_points().height), scale_limit_));
    const float ratio = pixels_per_point(h, dh);
    const int pixels = font_pixel_size(scale, ratio);
    if (scale != scale_) {
        scale_ = scale;
        ImGuiStyle& style = ImGui::GetStyle();
        style = base_style_;
        style.ScaleAllSizes(scale);
    }
    if (pixels != font_pixels_ || ratio != pixel_ratio_) {
        font_pixels_ = pixels;
        pixel_ratio_ = ratio;
        rebuild_font();
    }
}

void ImGuiLayer::rebuild_font() {
    ImGuiIO& io = ImGui::GetIO();
    io.Fonts->Clear();
    if (font_data_.empty()) {
        io.Fonts->AddFontDefault();
        io.FontGlobalScale = scale_;
    } else {
        ImFontConfig config;
        config.FontDataOwnedByAtlas = false;  // read once, kept for the next rebuild
        config.OversampleH = 2;
        config.OversampleV = 1;
        io.Fonts->AddFontFromMemoryTTF(font_data_.data(), static_cast<int>(font_data_.size()),
                                       static_cast<float>(font_pixels_), &config, kGlyphRanges);
        // Rasterised in pixels, laid out in points.
        io.FontGlobalScale = 1.0f / pixel_ratio_;
    }
    // The renderer makes the new atlas's texture at its next frame.
    host_imgui_renderer_forget_font();
}

void ImGuiLayer::begin_frame(double now_seconds) {
    ImGuiIO& io = ImGui::GetIO();
    int w = 0, h = 0, dw = 0, dh = 0;
    window_->window_size_points(&w, &h);
    window_->drawable_size_pixels(&dw, &dh);
    fit_to_window();
    io.DisplaySize = ImVec2(static_cast<float>(w), static_cast<float>(h));
    if (w > 0 && h > 0) io.DisplayFramebufferScale = ImVec2(static_cast<float>(dw) / w, static_cast<float>(dh) / h);
    const double delta = last_frame_ < 0 ? 1.0 / 60.0 : now_seconds - last_frame_;
    io.DeltaTime = delta > 0 ? static_cast<float>(delta) : 1.0f / 1000.0f;
    last_frame_ = now_seconds;
    // A press and release between two frames still counts as held for one frame.
    for (int b = 0; b < 3; ++b) {
        io.MouseDown[b] = pressed_[b] || held_[b];
        pressed_[b] = false;
    }
    show_key_presses();
    ++frames_;
    host_imgui_renderer_new_frame();  // builds the font atlas and its texture when there is none
    startup_mark("font atlas built");
    ImGui::NewFrame();
    // Menus, lists and the picker place themselves in the work area: the
    // whole window, which a phone on its side has far more of than the view.
    ImGuiViewport* viewport = ImGui::GetMainViewport();
    viewport->WorkPos = ImVec2(0.0f, 0.0f);
    viewport->WorkSize = ImVec2(static_cast<float>(w), static_cast<float>(h));
}

// One press of each key a frame. A key that was down last frame and is
// pressed again is shown as freshly pressed: ImGui counts a press only when
// a key's time held starts at zero, which it would otherwise never do for a
// key that was not seen up in between.
void ImGuiLayer::show_key_presses() {
    ImGuiIO& io = ImGui::GetIO();
    waiting_presses_ = 0;
    for (int code = 0; code < kKeySlots && code < IM_ARRAYSIZE(io.KeysDown); ++code) {
        if (presses_[code] == 0) {
            io.KeysDown[code] = keys_held_[code];
            continue;
        }
        if (io.KeysDown[code]) io.KeysDownDuration[code] = -1.0f;
        io.KeysDown[code] = true;
        --presses_[code];
        waiting_presses_ += presses_[code];
    }
}

void ImGuiLayer::end_frame() {
    ImGui::Render();
    // The renderer saves and restores the GL state it touches, the
    // surface's texture binding included.
    host_imgui_renderer_draw(ImGui::GetDrawData());
}

}  // namespace lumo
