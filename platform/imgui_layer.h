#pragma once
// Dear ImGui on our window: input fed from SDL events by hand (so events
// pushed by scripts and tests reach it exactly like real ones, with or
// without a display), drawing by the host's renderer. The interface grows
// with the view: the style by the interface scale, the TrueType font
// rasterised afresh at the pixel size the scale and the screen's density
// ask for (ImGui's own font, scaled, when the font file is missing). The
// modal screens see the view's 2:3 rectangle as the main viewport's work
// area, so they sit over the picture, not over the letterbox bars.

#include <SDL.h>
#include <imgui.h>

#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

namespace lumo {

class GLWindow;

// The interface font's file, whole; empty (with a line on stderr) when it
// is missing. Any thread: the application reads it while its window opens.
std::vector<char> read_interface_font();

class ImGuiLayer {
public:
    // font_file: as read_interface_font() gives it.
    ImGuiLayer(GLWindow* window, std::vector<char> font_file);
    ~ImGuiLayer();
    ImGuiLayer(const ImGuiLayer&) = delete;
    ImGuiLayer& operator=(const ImGuiLayer&) = delete;

    void process_event(const SDL_Event& event);
    void begin_frame(double now_seconds);
    void end_frame();  // renders into the bound (window) framebuffer
    long frames() const { return frames_; }  // frames begun so far
    // Key presses that arrived faster than frames and wait for frames of
    // their own: the caller keeps frames coming while there are any.
    bool presses_waiting() const { return waiting_presses_ > 0; }

    // The interface's scale for a view of this height (points).
    static float scale_for_view(int view_height_points);
    // At most this scale from the next frame on, where the panel needs a
    // smaller one to keep its rows (ui/panel_layout.h, panel_scale()).
    void set_scale_limit(float limit) { scale_limit_ = limit; }
    // As the last begin_frame() set them.
    float scale() const { return scale_; }
    int font_pixels() const { return font_pixels_; }
    bool has_true_type_font() const { return !font_data_.empty(); }

private:
    void fit_to_window();  // the style and font for the window's present size
    void rebuild_font();
    void show_key_presses();

    GLWindow* window_;
    ImGuiStyle base_style_;  // at scale 1
    std::vector<char> font_data_;  // the TrueType file, read once; empty without one
    float scale_ = 0.0f;  // 0 until the first frame
    float scale_limit_ = 1e9f;
    float pixel_ratio_ = 0.0f;
    int font_pixels_ = 0;
    double last_frame_ = -1.0;
    bool pressed_[3] = {};  // a press seen since the last frame: never miss a short click
    bool held_[3] = {};
    // Keys: ImGui sees one press of a key per frame at most, so each press
    // waits for a frame of its own. A press and release between two frames
    // still shows as down for one frame (a quick Enter is not lost), and two
    // presses of Down between two frames move two rows, one a frame.
    static constexpr int kKeySlots = 512;
    static constexpr uint8_t kMostWaitingPresses = 16;  // a key held down by a stuck keyboard stays bounded
    std::array<uint8_t, kKeySlots> presses_{};  // per scancode, not yet shown
    std::bitset<kKeySlots> keys_held_;
    int waiting_presses_ = 0;  // presses_ beyond the one each key shows next frame
    long frames_ = 0;
};

}  // namespace lumo
