#pragma once
// The drawing view: owns the GL context and framebuffer, the surface
// simulation and the current picture. Drawing (mesh buffers, frame loop,
// framebuffer, textures) lives in render/, touches and edit mode in input/.

#include "platform/gl.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "picture/picture.h"
#include "picture/picture_jobs.h"
#include "platform/eagl_context.h"
#include "platform/run_loop.h"
#include "platform/touch.h"
#include "platform/touch_router.h"
#include "render/frame_changes.h"
#include "render/mesh_buffers.h"
#include "render/view_change.h"
#include "sim/lumo_transform.h"
#include "widgets/ui_controls.h"

namespace lumo {

class GLWindow;

struct Size {
    float width = 0, height = 0;
};

// A rectangle of the picture in texture coordinates (0 to 1, top-left origin).
struct PicturePart {
    float left = 0, top = 0, right = 1, bottom = 1;
};

// What a view starts with besides its context: the surface, its rest shape
// set up, and the picture on it. Neither needs a window, so the application
// prepares them while its window is being opened (app/start_up.h).
struct ViewContents {
    std::unique_ptr<LUMOTransform> surface;
    std::shared_ptr<const Picture> picture;
};

class EAGLView : public TouchHandler {
public:
    // Creation: context, transform with the default dome, the default picture.
    // Null when the context cannot be had or made current.
    static std::unique_ptr<EAGLView> initWithCoder(GLWindow* window, RunLoop* run_loop);
    // The same with contents prepared beforehand (its table build may be running).
    static std::unique_ptr<EAGLView> initWithCoder(GLWindow* window, RunLoop* run_loop, ViewContents contents);
    // The default dome, set up with no table build started, and the default
    // picture at its own size. Any thread.
    static std::unique_ptr<LUMOTransform> default_surface();
    static std::shared_ptr<const Picture> default_picture();
    ~EAGLView() override;
    EAGLView(const EAGLView&) = delete;
    EAGLView& operator=(const EAGLView&) = delete;

    // --- View set-up, framebuffer, pictures ---------------------------------
    void layoutSubviews();
    // Takes the view's size in points from the window (at creation and after a resize).
    void update_screen_size();
    bool createFramebuffer();
    void destroyFramebuffer();
    void load_texture();  // uploads `texture` as it is
    // A new picture, fitted into 512 x 512 first: a change the history records.
    void load_texture(std::shared_ptr<const Picture> picture);
    void initializeTexture();
    float surfaceHeightAtX(float x, float y) const { return LUMOTransform::surfaceHeightAtX(x, y); }
    LUMOTransform* trans() const { return _lumo_trans.get(); }
    // A picture set here wins over one still being prepared.
    void setTexture(std::shared_ptr<const Picture> picture) {
        if (picture_jobs_) picture_jobs_->cancel();
        texture = std::move(picture);
    }

    // --- Pictures prepared off the frame's thread (render/picture_arrival.cpp) ---
    // Starts preparing a picture file (decoded, fitted); it replaces any
    // picture still being prepared, and becomes the texture when it arrives.
    void prepare_picture(const std::filesystem::path& path);
    // Main thread, between frames: uploads a prepared picture that has
    // arrived (its file in *taken, where asked). false when none has; a
    // picture that could not be prepared leaves the texture as it was and
    // says why in *failure, naming the file once.
    bool take_prepared_picture(std::string* failure, std::filesystem::path* taken = nullptr);
    void wait_for_prepared_picture() { picture_jobs_->wait(); }
    bool preparing_picture() const { return picture_jobs_->busy(); }

    // --- Mesh buffers -------------------------------------------------------
    void calculate_indices();
    void init_texture_coordinates();
    void calculate_normals();

    // --- Frame loop ---------------------------------------------------------
    // The part of the 512 x 512 picture the view shows over the resting
    // dome: the view is narrower than the grid, so less than the whole.
    static PicturePart visible_picture_part();
    void startAnimation();
    void stopAnimation();
    void setAnimationTimer(Timer timer);
    void setAnimationInterval(double seconds);
    // One interval: tilt, one step, and the frame drawn and presented unless
    // it would show nothing new.
    void drawView();
    // Draws and presents without stepping (the first picture, before the first interval).
    void render_frame();
    // With a display of its own (a real clock), the screen is drawn at its
    // refresh rate, showing the surface between the last two steps, while
    // the timer only steps the simulation; headless runs draw at each step.
    void set_interpolated_display(bool interpolates);
    // One refresh of the screen: drawn unless it would show nothing new.
    void display_frame(double now);
    // Whether display frames could show something now (the surface moves,
    // the build reveals it, or something asked for a redraw).
    bool wants_display_frames() const;
    // Simulation steps taken since the view was made (the display's frames
    // are counted by the compositor).
    long steps_taken() const { return steps_taken_; }
    // Something shown over or by the surface may have changed: draw the next frames.
    void setNeedsDisplay() { frame_changes_.set_needs_display(); }
    FrameChanges& frame_changes() { return frame_changes_; }
    void setDisplaySurface(bool filled) { _display_surface = filled; }
    void setAccel0(double value) { accel0 = value; }
    void setAccel1(double value) { accel1 = value; }
    void setAccel2(double value) { accel2 = value; }
    bool animating() const { return run_loop_->isValid(animationTimer); }

    // --- Touches ------------------------------------------------------------
    void touchesBegan(const TouchSet& touches, const UIEvent& event) override;
    void touchesMoved(const TouchSet& touches, const UIEvent& event) override;
    void touchesEnded(const TouchSet& touches, const UIEvent& event) override;
    // A touch the platform took away (or the mouse lost outside the window):
    // released like a lift, but never a tap.
    void touchesCancelled(const TouchSet& touches, const UIEvent& event) override;
    Point touch_to_cgpoint(const Touch& touch) const;
    void singleTap(const Touch& touch);
    // The slot chosen most recently, kept for the life of the process.
    static int last_touch_slot;

    // --- Edit mode ----------------------------------------------------------
    void setEditMode(const UISwitch* edit_switch);
    void startAnimationForEditMode();
    void surfaceEditFixed();
    void initializeShape();
    // A shape file's contents, one change: its picture (null keeps the
    // current one), then its rest shape (kSurfaceFloatCount finite values;
    // anything else changes nothing): as it is when it is one already
    // (LUMOTransform::set_rest_shape_exactly), else sampled and normalised
    // like a fixed sculpture. Then the build starts and edit mode ends, as
    // after Fix.
    void take_shape(std::span<const float> positions, std::shared_ptr<const Picture> picture);
    void set_vertices();

    // --- The history's side (app/change_history.h) ---------------------------
    // Told before an action replaces the rest shape or the picture, while
    // what it replaces is still in place; an action that changes both tells
    // once. Never told for restore().
    void set_will_change(std::function<void(ViewChange)> hook) { will_change_ = std::move(hook); }
    // Brings back a state the history kept: the picture as it was (one still
    // being prepared is dropped) and the rest shape to the bit, with a new
    // table build when it differs from the present one. Edit mode stays as
    // it is.
    void restore(std::span<const float> rest_shape, std::shared_ptr<const Picture> picture);

    // --- What the view holds, read by those who show or test it -----------------
    const std::shared_ptr<const Picture>& picture() const { return texture; }
    EAGLContext* eagl_context() const { return context.get(); }
    // The framebuffer, its colour texture and its size in pixels.
    ViewFrame frame() const { return {viewFramebuffer, viewColorTexture, backingWidth, backingHeight}; }
    GLuint depth_buffer() const { return depthRenderbuffer; }
    GLuint texture_name() const { return _texture_num; }  // 0 before the first upload
    Timer animation_timer() const { return animationTimer; }
    double animation_interval() const { return animationInterval; }
    bool displays_surface() const { return _display_surface; }  // triangles, not lines
    Size screen_size() const { return _screen_size; }
    bool touch_slot_held(int slot) const { return _touches[slot] != 0; }
    bool tap_pending() const { return touch_time.has_value(); }
    double accel(int axis) const { return axis == 0 ? accel0 : axis == 1 ? accel1 : accel2; }
    // The control panel, the edit switch and the fix button, as the main
    // interface connects them.
    void connect_controls(UIView* panel, UISwitch* edit_switch, UIButton* fix_button) {
        controllers = panel;
        _edit_switch = edit_switch;
        _edit_fix_button = fix_button;
    }

private:
    // One simulation step, once the table is built.
    void step();
    EAGLView() = default;
    void set_rest_shape(bool from_default_dome);
    void take_rest_shape(std::span<const float> positions);
    void rest_shape_changed();
    void upload_picture(const Picture* picture);
    void show_picture(std::shared_ptr<const Picture> picture);  // fitted, set and uploaded
    void will_change(ViewChange change) {
        if (will_change_) will_change_(change);
    }

    // The design's members, in declaration order.
    int backingWidth = 0;
    int backingHeight = 0;
    std::unique_ptr<EAGLContext> context;
    void* _viewcontroller = nullptr;  // declared by the design; nothing reads or assigns it
    GLuint viewColorTexture = 0;  // the framebuffer's colour buffer (EAGLContext::colorBufferStorage)
    GLuint viewFramebuffer = 0;
    GLuint depthRenderbuffer = 0;
    Timer animationTimer;  // not owned: the run loop keeps it until invalidated
    double animationInterval = kFrameInterval;
    float* _surface_vertices = nullptr;  // the transform's current surface, never copied
    std::array<float, kSurfaceFloatCount> _surface_normals{};
    std::array<uint16_t, kSurfaceIndexCount> _surface_indices{};
    std::array<float, kTextureCoordinateCount> _texture_coordinates{};
    bool _display_surface = true;
    std::unique_ptr<LUMOTransform> _lumo_trans;
    GLuint _texture_num = 0;
    float _screen_min_x = 0, _screen_max_x = 0, _screen_min_y = 0, _screen_max_y = 0;
    Size _screen_size;
    std::shared_ptr<const Picture> texture;
    std::array<uint64_t, 5> _touches{};  // touch serials; 0 = empty slot
    std::optional<uint32_t> touch_time;  // when a possible tap began, on the touches' clock (ms)
    UIView* controllers = nullptr;
    UIButton* _edit_fix_button = nullptr;
    UISwitch* _edit_switch = nullptr;
    double accel0 = 0, accel1 = 0, accel2 = 0;

    RunLoop* run_loop_ = nullptr;
    GLWindow* window_ = nullptr;
    FrameChanges frame_changes_;
    Point tap_start_;  // where a possible tap began, in view points
    // The display between steps (set_interpolated_display).
    bool interpolates_ = false;
    std::array<float, kSurfaceFloatCount> previous_surface_{};  // the current surface before the last step
    std::array<float, kSurfaceFloatCount> shown_surface_{};  // between the last two steps
    const float* drawn_vertices_ = nullptr;  // what a frame hands to GL
    double last_step_time_ = 0;
    long steps_taken_ = 0;
    std::unique_ptr<PictureJobs> picture_jobs_;  // its worker owns nothing of the view's
    std::function<void(ViewChange)> will_change_;
};

}  // namespace lumo
