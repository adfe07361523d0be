#pragma once
// Dear ImGui on our window: input fed from SDL events by hand (so events
// pushed by scripts and tests reach it exactly like real ones, with or
// without a display), drawing by the OpenGL2 renderer.

#include <SDL.h>

#include <bitset>

namespace lumo {

class GLWindow;

class ImGuiLayer {
public:
    explicit ImGuiLayer(GLWindow* window);
    ~ImGuiLayer();
    ImGuiLayer(const ImGuiLayer&) = delete;
    ImGuiLayer& operator=(const ImGuiLayer&) = delete;

    void process_event(const SDL_Event& event);
    void begin_frame(double now_seconds);
    void end_frame();  // renders into the bound (window) framebuffer
    long frames() const { return frames_; }  // frames begun so far

private:
    GLWindow* window_;
    double last_frame_ = -1.0;
    bool pressed_[3] = {};  // a press seen since the last frame: never miss a short click
    bool held_[3] = {};
    // Keys as the mouse buttons: a press and release between two frames
    // still shows as down for one frame, so a quick Enter is not lost.
    std::bitset<512> keys_pressed_;
    std::bitset<512> keys_held_;
    long frames_ = 0;
};

}  // namespace lumo
